// What the colour table readers share: finding the file, the line readers behind ReadLutFile,
// and small field helpers. Not for use outside colour/.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "colour/colour_control.h"

namespace Tarn::File {
class CTextFile;
}

namespace Tarn::Colour {

// The path of a readable regular file named `path`, or one whose name differs only in case.
std::optional<std::u16string> FindTableFile(std::u16string_view path);

// Fill the colour table from an open file; the control's table has been reset. Only LUT files
// with data values set a mapping.
void ReadLutLines(CColourControl& control, File::CTextFile& file);
void ReadTblLines(CColourControl& control, File::CTextFile& file);
void ReadClrLines(CColourControl& control, File::CTextFile& file);

// The fields of the current line up to its comment.
size_t DataFieldCount(const File::CTextFile& file);
// A field the table formats take as a number: LeadingNumber finds digits in it.
bool IsNumberField(const File::CTextFile& file, size_t index);

}  // namespace Tarn::Colour

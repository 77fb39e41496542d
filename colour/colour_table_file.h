// Colour table files: LUT, TBL, CLR, LEG and VCP files read into a colour control, which takes
// its colour table and, from LEG, VCP and LUT files with data values, its mapping from them.
#pragma once

#include <string_view>

#include "colour/colour_control.h"
#include "colour/colour_result.h"

namespace Tarn::Colour {

// The most entries a colour table file may give. Ample for any real table, and it keeps a stop
// index or count from a damaged file from claiming the host's memory.
inline constexpr int kMaxColourTableEntries = 65536;

// Chooses the reader by the extension, ignoring case: ".VCP", ".LEG", or ".TBL", ".CLR" and
// ".LUT" through ReadLutFile; any other extension fails with 20104, a missing file with 20119.
// Like every reader here, it finds a file whose name differs from `path` only in case.
ColourResult LoadColourTableFile(CColourControl& control, std::u16string_view path);

// LUT files, and by extension TBL and CLR files; any other extension reads as LUT.
ColourResult ReadLutFile(CColourControl& control, std::u16string_view path);
ColourResult ReadLegFile(CColourControl& control, std::u16string_view path);
// Fails with 20118, leaving the control unchanged, unless the file is well formed.
ColourResult ReadVcpFile(CColourControl& control, std::u16string_view path);

}  // namespace Tarn::Colour

// Choosing a colour table reader by extension, and what every LUT, TBL and CLR read ends with.
#include "colour/colour_table_file.h"

#include "colour/colour_table_readers.h"
#include "colour/number_text.h"
#include "platform/file_system.h"
#include "system/file_path.h"
#include "system/text_file.h"
#include "system/text_utils.h"
#include "system/utf.h"

namespace Tarn::Colour {
namespace {

bool HasExtension(std::u16string_view path, std::u16string_view extension) {
    return System::EqualsNoCase(File::FilePath(path).Extension(), extension);
}

// Stop lines set only the colour; an entry without a label of its own continues the label of
// the one before, so each stop's label covers the entries up to the next.
void FinishLutTable(CColourControl& control, std::u16string_view path) {
    std::vector<ColourTableEntry>& table = control.Table();
    for (size_t i = 0; i < table.size(); ++i) {
        ColourTableEntry& entry = table[i];
        entry.second_colour = entry.third_colour = entry.colour;
        if (entry.label.empty() && i > 0) entry.label = table[i - 1].label;
    }
    control.SetNullColour(0xFFFFFFFFu, false);
    control.SetTableName(File::FilePath(path).Name());
    control.SetTableFile(std::u16string(path));
    control.SetTableKind(kTableLut);
    control.SetLegendFlags({1, 0, 0, 0, 0});
}

}  // namespace

std::optional<std::u16string> FindTableFile(std::u16string_view path) {
    if (path.empty()) return std::nullopt;
    const auto found = Platform::FindFileIgnoringCase(System::WideToUtf8(path));
    if (!found) return std::nullopt;
    const auto status = Platform::StatPath(*found);
    if (!status || !status->is_regular) return std::nullopt;
    return System::Utf8ToWide(*found);
}

size_t DataFieldCount(const File::CTextFile& file) {
    size_t count = 0;
    while (count < file.FieldCount() && file.GetFieldKind(count) != 3) ++count;
    return count;
}

bool IsNumberField(const File::CTextFile& file, size_t index) {
    return index < DataFieldCount(file) && StartsWithNumber(file.FieldText(index));
}

ColourResult LoadColourTableFile(CColourControl& control, std::u16string_view path) {
    try {
        if (!FindTableFile(path)) return ColourFailure(kErrorFileMissing);
        if (HasExtension(path, u".VCP")) return ReadVcpFile(control, path);
        if (HasExtension(path, u".LEG")) return ReadLegFile(control, path);
        if (HasExtension(path, u".TBL") || HasExtension(path, u".CLR") ||
            HasExtension(path, u".LUT")) {
            return ReadLutFile(control, path);
        }
        return ColourFailure(kErrorUnsupportedTableExtension);
    } catch (...) {
        return ColourFailure(kErrorUnexpected);
    }
}

ColourResult ReadLutFile(CColourControl& control, std::u16string_view path) {
    try {
        const auto found = FindTableFile(path);
        if (!found) return ColourFailure(kErrorFileMissing);
        File::CTextFile file(*found);
        if (!file.IsOpen()) return ColourFailure(kErrorFileMissing);

        control.ResetColourTable();
        control.SetMappingFromTableFile(false);
        if (HasExtension(path, u".TBL")) {
            ReadTblLines(control, file);
        } else if (HasExtension(path, u".CLR")) {
            ReadClrLines(control, file);
        } else {
            ReadLutLines(control, file);
        }
        FinishLutTable(control, path);
        return {};
    } catch (...) {
        return ColourFailure(kErrorUnexpected);
    }
}

}  // namespace Tarn::Colour

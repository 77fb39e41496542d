// Building the two format tables.
#include "rasterutility/format_table.h"

#include <cstring>

#include "rasterutility/prefs_values.h"

namespace Tarn::RasterUtility {
namespace {

template <typename Record, size_t N>
bool FitName(Record& record, char (&name)[N], const std::string& extension) {
    if (extension.empty() || extension.size() >= N) return false;
    std::memset(&record, 0, sizeof record);
    std::memcpy(name, extension.data(), extension.size());
    return true;
}

}  // namespace

const std::vector<FormatEntry>& DefaultFormats() {
    // GeoTIFF, Erdas Imagine, USGS DEM, DTED levels 0 to 2, ESRI ASCII grid, band-interleaved
    // rasters (ESRI, ENVI), ESRI float grid, VRT, netCDF, SRTM, ER Mapper, Surfer grid, Idrisi,
    // JPEG 2000, PNG.
    static const std::vector<FormatEntry> formats = {
        {"tif"}, {"tiff"}, {"img"}, {"dem"}, {"dt0"}, {"dt1"}, {"dt2"}, {"asc"}, {"bil"}, {"bip"},
        {"bsq"}, {"flt"},  {"vrt"}, {"nc"},  {"hgt"}, {"ers"}, {"grd"}, {"rst"}, {"jp2"}, {"png"},
    };
    return formats;
}

std::optional<std::vector<FormatEntry>> FormatsFromFile(const IniFile& file) {
    const IniFile::Entries* section = file.Section("Formats");
    if (section == nullptr) return std::nullopt;
    std::vector<FormatEntry> formats;
    for (const auto& [key, value] : *section) {
        const std::optional<bool> served = ParseSwitch(value);
        if (!served) continue;
        std::string extension = key.front() == '.' ? key.substr(1) : key;
        for (char& c : extension)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        formats.push_back({extension, *served});
    }
    return formats;
}

void FillFormatTables(const std::vector<FormatEntry>& formats, HandlerPrefs& prefs) {
    std::memset(prefs.short_formats, 0, sizeof prefs.short_formats);
    std::memset(prefs.long_formats, 0, sizeof prefs.long_formats);
    int short_count = 0, long_count = 0;
    for (const FormatEntry& format : formats) {
        if (short_count < PREFS_FORMAT_TABLE_CAPACITY) {
            FormatDescriptionShort& record = prefs.short_formats[short_count];
            if (FitName(record, record.name, format.extension)) {
                record.served = format.served ? 1 : 0;
                ++short_count;
            }
        }
        if (long_count < PREFS_FORMAT_TABLE_CAPACITY) {
            FormatDescriptionLong& record = prefs.long_formats[long_count];
            if (FitName(record, record.name, format.extension)) {
                record.served_a = record.served_b = format.served ? 1 : 0;
                ++long_count;
            }
        }
    }
    prefs.short_format_count = short_count;
    prefs.long_format_count = long_count;
}

}  // namespace Tarn::RasterUtility

// How a GDAL dataset appears as the engine's one field and its bands.
//
//   one band with a colour table     field type 2: band 0 colour values (kind 109, or 110 when
//                                    an entry is not opaque), band 1 the indexes
//   3 Byte bands R,G,B / 4 R,G,B,A   field type 1: band 0 colour values (109 / 110), bands 1..n
//                                    the components (100, 101, 102, alpha 103)
//   any other multi-band dataset     field type 1: band i is GDAL band i + 1; red/green/blue
//                                    colour interpretations give kinds 100/101/102, and when no
//                                    band has one, the first three bands carry them
//   any other single band            field type 3: band 0 the values
#pragma once

#include <gdal.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tarn::RasterApi {

enum class BandSource {
    Plain,          // the values of one GDAL band
    RgbColour,      // packed colours from the component bands
    PaletteColour,  // packed colours looked up through the colour table
};

struct BandModel {
    int gdal_band = 1;  // the GDAL band whose values this band gives when read as numbers
    BandSource source = BandSource::Plain;
    int32_t kind = 0;
    int32_t value_code = 0;
    std::string name;
    // GDAL's name of the band's colour interpretation ("Gray", "Red", "Palette", ...); empty
    // for the colour band of a red, green, blue image, which stands for several GDAL bands.
    std::string interpretation;
};

struct FieldModel {
    int32_t field_type = 3;
    std::vector<BandModel> bands;
    std::vector<int> colour_bands;     // GDAL bands of a RgbColour band: red, green, blue[, alpha]
    std::vector<uint32_t> palette;     // packed colour of each colour table index
    std::vector<uint8_t> palette_use;  // 0 for entries with alpha 0, which are not drawn
};

// Value code of a GDAL data type (KVR_VALUE_*).
int32_t ValueCodeOf(GDALDataType type);

FieldModel DescribeField(GDALDatasetH dataset);

}  // namespace Tarn::RasterApi

// Field type, band kinds and value codes from GDAL's bands, colour interpretations and colour
// table.
#include "rasterapi/band_model.h"

#include <gdal_version.h>

#include "engine/kvr_contract.h"

namespace Tarn::RasterApi {
namespace {

uint32_t PackColour(int red, int green, int blue, int alpha) {
    // Transparency is the complement of alpha: 0 opaque, 255 fully transparent.
    return static_cast<uint32_t>(red & 0xFF) | static_cast<uint32_t>(green & 0xFF) << 8 |
           static_cast<uint32_t>(blue & 0xFF) << 16 |
           static_cast<uint32_t>(255 - (alpha & 0xFF)) << 24;
}

std::string BandName(GDALRasterBandH band, int number) {
    const char* description = GDALGetDescription(band);
    if (description != nullptr && description[0] != '\0') return description;
    return "Band " + std::to_string(number);
}

BandModel PlainBand(GDALDatasetH dataset, int gdal_band, int32_t kind) {
    GDALRasterBandH band = GDALGetRasterBand(dataset, gdal_band);
    BandModel model;
    model.gdal_band = gdal_band;
    model.kind = kind;
    model.value_code = ValueCodeOf(GDALGetRasterDataType(band));
    model.name = BandName(band, gdal_band);
    model.interpretation = GDALGetColorInterpretationName(GDALGetRasterColorInterpretation(band));
    return model;
}

bool IsByteRgb(GDALDatasetH dataset, int count) {
    if (count != 3 && count != 4) return false;
    static const GDALColorInterp expected[4] = {GCI_RedBand, GCI_GreenBand, GCI_BlueBand,
                                                GCI_AlphaBand};
    for (int i = 0; i < count; ++i) {
        GDALRasterBandH band = GDALGetRasterBand(dataset, i + 1);
        if (GDALGetRasterDataType(band) != GDT_Byte) return false;
        if (GDALGetRasterColorInterpretation(band) != expected[i]) return false;
    }
    return true;
}

FieldModel PaletteField(GDALDatasetH dataset, GDALColorTableH table) {
    FieldModel field;
    field.field_type = KVR_FIELD_PALETTE;
    const int entries = GDALGetColorEntryCount(table);
    const bool is_rgb = GDALGetPaletteInterpretation(table) == GPI_RGB;
    bool translucent = false;
    for (int i = 0; i < entries; ++i) {
        GDALColorEntry rgb{};
        GDALGetColorEntryAsRGB(table, i, &rgb);
        const int alpha = is_rgb ? rgb.c4 : 255;
        field.palette.push_back(PackColour(rgb.c1, rgb.c2, rgb.c3, alpha));
        field.palette_use.push_back(alpha != 0 ? 1 : 0);
        translucent = translucent || alpha != 255;
    }
    BandModel colours =
        PlainBand(dataset, 1, translucent ? KVR_BAND_COLOUR_RGBA : KVR_BAND_COLOUR_RGB);
    colours.source = BandSource::PaletteColour;
    colours.value_code = KVR_VALUE_UINT8;
    colours.name = "Colours";
    field.bands.push_back(colours);
    field.bands.push_back(PlainBand(dataset, 1, 0));
    return field;
}

FieldModel RgbField(GDALDatasetH dataset, int count) {
    FieldModel field;
    field.field_type = KVR_FIELD_MULTIBAND;
    BandModel colours;
    colours.gdal_band = 1;
    colours.source = BandSource::RgbColour;
    colours.kind = count == 4 ? KVR_BAND_COLOUR_RGBA : KVR_BAND_COLOUR_RGB;
    colours.value_code = KVR_VALUE_UINT8;
    colours.name = "Colours";
    field.bands.push_back(colours);
    static const int32_t kinds[4] = {KVR_BAND_RED, KVR_BAND_GREEN, KVR_BAND_BLUE, KVR_BAND_ALPHA};
    for (int i = 1; i <= count; ++i) {
        field.colour_bands.push_back(i);
        field.bands.push_back(PlainBand(dataset, i, kinds[i - 1]));
    }
    return field;
}

FieldModel MultibandField(GDALDatasetH dataset, int count) {
    FieldModel field;
    field.field_type = KVR_FIELD_MULTIBAND;
    bool any_colour = false;
    for (int i = 1; i <= count; ++i) {
        int32_t kind = 0;
        switch (GDALGetRasterColorInterpretation(GDALGetRasterBand(dataset, i))) {
            case GCI_RedBand:
                kind = KVR_BAND_RED;
                break;
            case GCI_GreenBand:
                kind = KVR_BAND_GREEN;
                break;
            case GCI_BlueBand:
                kind = KVR_BAND_BLUE;
                break;
            case GCI_AlphaBand:
                kind = KVR_BAND_ALPHA;
                break;
            default:
                break;
        }
        any_colour = any_colour || (kind >= KVR_BAND_RED && kind <= KVR_BAND_BLUE);
        field.bands.push_back(PlainBand(dataset, i, kind));
    }
    // Without colour interpretations the first three bands are offered as a composite, so the
    // plug-in's band-composite drawing still has its red, green and blue.
    if (!any_colour && count >= 3)
        for (int i = 0; i < 3; ++i) field.bands[i].kind = KVR_BAND_RED + i;
    return field;
}

}  // namespace

int32_t ValueCodeOf(GDALDataType type) {
    switch (type) {
        case GDT_Byte:
            return KVR_VALUE_UINT8;
#if GDAL_VERSION_NUM >= GDAL_COMPUTE_VERSION(3, 7, 0)
        case GDT_Int8:
            return KVR_VALUE_INT8;
#endif
        case GDT_UInt16:
            return KVR_VALUE_UINT16;
        case GDT_Int16:
            return KVR_VALUE_INT16;
        case GDT_UInt32:
            return KVR_VALUE_UINT32;
        case GDT_Int32:
            return KVR_VALUE_INT32;
        case GDT_UInt64:
            return KVR_VALUE_UINT64;
        case GDT_Int64:
            return KVR_VALUE_INT64;
        case GDT_Float32:
            return KVR_VALUE_FLOAT32;
        case GDT_Float64:
            return KVR_VALUE_FLOAT64;
        case GDT_CInt16:
        case GDT_CInt32:
            return KVR_VALUE_COMPLEX_INT;
        default:
            return KVR_VALUE_COMPLEX_FLOAT;
    }
}

FieldModel DescribeField(GDALDatasetH dataset) {
    const int count = GDALGetRasterCount(dataset);
    if (count == 1) {
        GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
        GDALColorTableH table = GDALGetRasterColorTable(band);
        if (table != nullptr && GDALGetColorEntryCount(table) > 0)
            return PaletteField(dataset, table);
        FieldModel field;
        field.field_type = KVR_FIELD_GRID;
        field.bands.push_back(PlainBand(dataset, 1, 0));
        return field;
    }
    if (IsByteRgb(dataset, count)) return RgbField(dataset, count);
    return MultibandField(dataset, count);
}

}  // namespace Tarn::RasterApi

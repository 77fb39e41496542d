// The underview modes' meaning and the band's content, turned into GDAL's resampling kernels.
#include "rasterapi/resampling.h"

#include <gdal_rat.h>

#include "engine/kvr_contract.h"

namespace Tarn::RasterApi {
namespace {

bool HasCategoryNames(GDALRasterBandH band) {
    char** names = GDALGetRasterCategoryNames(band);
    return names != nullptr && names[0] != nullptr;
}

bool HasThematicTable(GDALRasterBandH band) {
    GDALRasterAttributeTableH table = GDALGetDefaultRAT(band);
    return table != nullptr && GDALRATGetTableType(table) == GRTT_THEMATIC;
}

GDALRIOResampleAlg MagnifyingKernel(int32_t underview_mode) {
    switch (underview_mode) {
        case kUnderviewNearest:
            return GRIORA_NearestNeighbour;
        case kUnderviewBilinear:
            return GRIORA_Bilinear;
        case kUnderviewCubicSpline:
            return GRIORA_CubicSpline;
        case kUnderviewLanczos:
            return GRIORA_Lanczos;
        default:
            // Cubic is continuous in its slopes, so a magnified surface shades without the cell
            // edges that bilinear leaves.
            return GRIORA_Cubic;
    }
}

}  // namespace

BandContent ContentOf(const FieldModel& field, GDALRasterBandH band) {
    if (field.field_type == KVR_FIELD_PALETTE) return BandContent::Classified;
    if (band == nullptr) return BandContent::Continuous;
    if (GDALGetRasterColorTable(band) != nullptr || HasCategoryNames(band) ||
        HasThematicTable(band) || GDALGetRasterColorInterpretation(band) == GCI_PaletteIndex)
        return BandContent::Classified;
    return BandContent::Continuous;
}

GDALRIOResampleAlg ChooseKernel(int32_t underview_mode, BandContent content,
                                const RequestScale& scale) {
    if (scale.CellForCell() || underview_mode == kUnderviewNearest) return GRIORA_NearestNeighbour;
    if (content == BandContent::Classified)
        return scale.Reduces() ? GRIORA_Mode : GRIORA_NearestNeighbour;
    return scale.Reduces() ? GRIORA_Average : MagnifyingKernel(underview_mode);
}

}  // namespace Tarn::RasterApi

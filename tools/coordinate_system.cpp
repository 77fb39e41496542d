// Coordinate systems through GDAL's spatial reference functions.
#include "tools/coordinate_system.h"

#include <cpl_conv.h>
#include <ogr_srs_api.h>

namespace Tarn::Tools {
namespace {

// Calls `use(srs)` on the coordinate system read from `text`, when it reads.
template <typename Use>
std::string WithSpatialReference(const std::string& text, Use use) {
    if (text.empty()) return {};
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    std::string result;
    if (OSRSetFromUserInput(srs, text.c_str()) == OGRERR_NONE) result = use(srs);
    OSRDestroySpatialReference(srs);
    return result;
}

}  // namespace

std::string CoordinateSystemWkt(const std::string& text, WktFlavour flavour) {
    return WithSpatialReference(text, [flavour](OGRSpatialReferenceH srs) {
        const char* esri[] = {"FORMAT=WKT1_ESRI", nullptr};
        char* wkt = nullptr;
        std::string result;
        if (OSRExportToWktEx(srs, &wkt, flavour == WktFlavour::kEsri ? esri : nullptr) ==
                OGRERR_NONE &&
            wkt != nullptr)
            result = wkt;
        CPLFree(wkt);
        return result;
    });
}

std::string CoordinateSystemName(const std::string& text) {
    return WithSpatialReference(text, [](OGRSpatialReferenceH srs) {
        const char* name = OSRGetName(srs);
        return std::string(name != nullptr ? name : "");
    });
}

}  // namespace Tarn::Tools

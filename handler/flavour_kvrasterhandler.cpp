// The flavour of KVRasterHandler.rha.
#include <array>

#include "engine/handler_prefs.h"
#include "handler/flavour.h"

namespace Tarn::Handler {
namespace {

constexpr std::array<std::string_view, 8> kDefaultExtensions = {"kvr", "grd", "grc", "tif",
                                                                "bil", "ers", "asc", "flt"};

constexpr HandlerFlavour kFlavour{
    .module_name = "KVRasterHandler",
    .identity_name = "KVRasterHandler.RHA",
    .description = "KVRaster Handler",
    .default_extensions = kDefaultExtensions,
    .format_table =
        {
            .count_offset = offsetof(HandlerPrefs, short_format_count),
            .first_record_offset = offsetof(HandlerPrefs, short_formats),
            .record_size = sizeof(FormatDescriptionShort),
            .capacity = PREFS_FORMAT_TABLE_CAPACITY,
            .name_offset = offsetof(FormatDescriptionShort, name),
            .name_size = sizeof(FormatDescriptionShort::name),
            .flag_offsets = {offsetof(FormatDescriptionShort, served), 0},
            .flag_count = 1,
        },
};

}  // namespace

const HandlerFlavour& ActiveFlavour() {
    return kFlavour;
}

}  // namespace Tarn::Handler

// The flavour of KVRasterHandlerGDAL.rha.
#include <array>

#include "engine/handler_prefs.h"
#include "handler/flavour.h"

namespace Tarn::Handler {
namespace {

constexpr std::array<std::string_view, 4> kDefaultExtensions = {"img", "dat", "dem", "dt0"};

constexpr HandlerFlavour kFlavour{
    .module_name = "KVRasterHandlerGDAL",
    .identity_name = "KVRasterHandlerGDAL.RHA",
    .description = "KVRaster Handler",
    .default_extensions = kDefaultExtensions,
    .format_table =
        {
            .count_offset = offsetof(HandlerPrefs, long_format_count),
            .first_record_offset = offsetof(HandlerPrefs, long_formats),
            .record_size = sizeof(FormatDescriptionLong),
            .capacity = PREFS_FORMAT_TABLE_CAPACITY,
            .name_offset = offsetof(FormatDescriptionLong, name),
            .name_size = sizeof(FormatDescriptionLong::name),
            .flag_offsets = {offsetof(FormatDescriptionLong, served_a),
                             offsetof(FormatDescriptionLong, served_b)},
            .flag_count = 2,
        },
};

}  // namespace

const HandlerFlavour& ActiveFlavour() {
    return kFlavour;
}

}  // namespace Tarn::Handler

// The handler context: the plug-in's private state for one open raster, hung on the host record.
// Opening fills it, the render style upkeep keeps it in step with the style document, and
// drawing reads it.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "colour/colour_control.h"
#include "colour/colour_info.h"
#include "colour/colour_values.h"
#include "engine/kvr_contract.h"
#include "handler/channel_record.h"
#include "handler/engine_statistics.h"
#include "handler/rh_api.h"
#include "style/render_style_settings.h"

namespace Tarn::Handler {

inline constexpr uint32_t kContextAlive = 0x0CCCCCCC;
inline constexpr uint32_t kContextFreed = 0x0DEADEAD;

// Style kinds: the render style document's four, and the band composite that a "Palette" style
// becomes on a raster with red, green and blue bands.
enum StyleKind : int32_t {
    kStylePseudo = 0,
    kStyleRgb = 1,
    kStylePalette = 2,
    kStyleGreyScale = 3,
    kStyleBandComposite = 4,
};

inline constexpr int32_t kUnderviewModeNone = 5;

// A render style held in memory with the transforms it names. A raster whose document does
// not fit it (a stale document of a replaced raster, say), or whose document cannot be
// written, is drawn with its default style from here, and the file is left as it is.
struct MemoryStyle {
    Colour::RenderStyleSettings style;
    std::vector<std::pair<std::string, Colour::ColourInfo>> transforms;
};

struct HandlerContext {
    uint32_t marker = kContextAlive;
    KvrHandle raster_handle = KVR_INVALID_HANDLE;
    KvrHandle info_handle = KVR_INVALID_HANDLE;
    // From KVR_GetGridCellRange: origin x0, y0 and extent x1 - x0, y1 - y0.
    int64_t cell_origin_x = 0;
    int64_t cell_origin_y = 0;
    int64_t width = 0;
    int64_t height = 0;
    // The field description's cell offsets.
    int64_t cell_offset_x = 0;
    int64_t cell_offset_y = 0;
    char coordinate_system[256] = {};  // UTF-8, NUL-terminated
    double relief_statistic = 0.0;
    float value_minimum = 0.0f;
    float value_maximum = 0.0f;
    float cell_size_x = 0.0f;
    float cell_size_y = 0.0f;

    // Colours single-band rasters; the fractions are its table's entries / 255, index by index.
    Colour::CColourControl colour_control;
    std::vector<double> red_fractions;
    std::vector<double> green_fractions;
    std::vector<double> blue_fractions;

    std::u16string raster_path;

    bool shading_on = false;
    bool highlights_on = false;
    double light_azimuth = 45.0;  // degrees
    double light_elevation = 45.0;
    std::vector<Colour::ShadingLight> lights;  // several lights in place of the one; may be empty
    double relief_contrast = 50.0;
    double ambient_brightness = 50.0;
    double light_intensity = 50.0;
    double highlight_azimuth = 45.0;
    double highlight_elevation = 45.0;
    double highlight_size = 0.0;

    Colour::PackedColour background_colour = 0xFFFFFFFFu;
    int32_t transparent_colour_applies = 1;
    Colour::PackedColour transparent_colour = 0xFFFFFFFFu;

    // The current picture (from RH_StartDraw to RH_EndDraw). Rows of 3 bytes per pixel, red,
    // green, blue, without padding; allocated with malloc.
    DrawRect cell_rect{};
    DrawRect output_rect{};
    int32_t statistics_level = 0;  // overview level the band statistics came from
    int32_t draw_level = 0;
    double lines_per_row = 1.0;
    int32_t field_type = 0;  // KVR_FIELD_*
    uint8_t* pixels = nullptr;

    std::u16string render_style_path;
    EngineStatistics band_statistics;  // of the coloured band, or empty
    // The style document's modification time (nanoseconds since 1970) when it was last loaded.
    int64_t style_load_time = 0;
    int32_t band_count = 0;
    bool y_up = false;  // the field's world minimum y is not below its reference y
    int32_t field = 0;
    int32_t band = 0;
    int64_t value_low = std::numeric_limits<int64_t>::min();
    int64_t value_high = std::numeric_limits<int64_t>::max();
    std::string style_name;  // the transform that colours the band
    int32_t band_kind = 0;   // KVR_BandInfo's kind
    // Three entries exactly when the style kind is RGB or band composite, else none.
    std::vector<ChannelRecord> channels;
    int32_t style_kind = kStylePseudo;
    bool delete_style_at_close = false;  // the style document lies in the temporary directory
    bool underview_preference = false;
    bool underviews_on = false;
    bool picture_ready = false;
    char format_name[255] = {};  // the engine's short name of the file format
    int32_t underview_mode = kUnderviewModeNone;
    // The preferences' thread count for the pixel pass as it stood at open (0: one per core).
    int32_t draw_threads_preference = 0;
    bool style_loaded = false;
    // The style drawn instead of the document's until the document changes on disk.
    std::optional<MemoryStyle> memory_style;
};

// An underview value of the preferences or the style document: 1 to 5 become modes 0 to 4,
// anything else 5.
int32_t UnderviewModeOf(int32_t value);

// The live context hung on `host`, or null (no host, no context, or a foreign marker).
HandlerContext* ContextOf(HostRasterRecord* host);

// Gives back everything the engine handed out for the context (statistics, the information and
// raster handles), deletes a style document placed in the temporary directory, then frees the
// context with what it owns; the marker is overwritten first.
void DestroyContext(HandlerContext* context);

}  // namespace Tarn::Handler

// RH_OpenW's work: the engine open, the context's geometry and band layout, the render style,
// and the records on the host record.
#include "handler/open_raster.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <string>

#include "engine/engine_calls.h"
#include "engine/preferences.h"
#include "handler/handler_context.h"
#include "handler/registration.h"
#include "handler/render_style_upkeep.h"
#include "handler/style_path.h"
#include "handler/text_copy.h"
#include "style/colour_serializer.h"
#include "style/render_style_settings.h"
#include "system/utf.h"

namespace Tarn::Handler {

namespace {
namespace Kvr = Engine::Kvr;

// The record comes fresh from the host: what stands in its fields is not read, only replaced,
// so that RH_Close never frees what an earlier owner of the memory left there.
void ClearHostAttachments(HostRasterRecord& host) {
    host.context = nullptr;
    host.registration = nullptr;
}

void TakeUnderviewPreference(HandlerContext& context) {
    context.underview_preference = Engine::ReadUnderviewPreference();
    if (context.underview_preference) {
        const int32_t value = Engine::ReadUnderviewMode();
        context.underviews_on = value != 0;
        context.underview_mode = UnderviewModeOf(value);
    } else {
        context.underviews_on = false;
        context.underview_mode = kUnderviewModeNone;
    }
}

// The style document's kind picks the field and band the extent is read from. Returns the kind.
int32_t TakeStoredStyle(HandlerContext& context, Colour::RenderStyleSettings& style) {
    Colour::ColourSerializer::DeserializeRenderStyle(context.render_style_path, style);
    switch (style.kind) {
        case Colour::kRenderStylePseudo:
            context.transparent_colour = 0xFFFFFFFFu;
            context.field = static_cast<int32_t>(style.channel.field);
            context.band = static_cast<int32_t>(style.channel.band);
            break;
        case Colour::kRenderStyleRgb:
            context.transparent_colour = 0xFF000000u;
            context.field = static_cast<int32_t>(style.red.field);
            context.band = static_cast<int32_t>(style.red.band);
            break;
        case Colour::kRenderStylePalette:
            context.field = static_cast<int32_t>(style.channel.field);
            context.band = static_cast<int32_t>(style.channel.band);
            break;
        default:
            break;
    }
    return style.kind;
}

void CopyHostPath(HostRasterRecord& host, const std::u16string& path) {
    const std::string utf8 = System::WideToUtf8(path);
    // The record holds 512 bytes; a path that fills them has no terminator.
    std::memset(host.path, 0, sizeof host.path);
    std::memcpy(host.path, utf8.data(), std::min(utf8.size(), sizeof host.path));
}

void TakeRasterInfo(HandlerContext& context, const KvrRasterInfo& info) {
    const std::string_view format(info.format_name,
                                  strnlen(info.format_name, sizeof info.format_name));
    const size_t n = std::min(format.size(), sizeof context.format_name - 1);
    std::memcpy(context.format_name, format.data(), n);
    context.format_name[n] = '\0';

    const kvr_wchar* cs = info.coordinate_system;
    const std::u16string wide(cs, std::find(cs, cs + std::size(info.coordinate_system), u'\0'));
    CopyUtf8Terminated(context.coordinate_system, sizeof context.coordinate_system,
                       System::WideToUtf8(wide));
}

}  // namespace

int OpenRaster(HostRasterRecord& host, const char16_t* path) {
    host.open_reset = 0;
    ClearHostAttachments(host);
    HandlerContext* context = nullptr;
    try {
        context = new HandlerContext;
    } catch (const std::bad_alloc&) {
        host.error_code = RH_ERROR_MEMORY;
        return 0;
    }
    host.context = context;
    TakeUnderviewPreference(*context);
    context->draw_threads_preference = Engine::ReadDrawThreads();

    const Engine::OpenQualityLimit limit = Engine::ReadOpenQualityLimit();
    Kvr::SetOpenQualityLimit(limit.limit, limit.flag);
    KvrHandle raster = KVR_INVALID_HANDLE;
    if (Kvr::OpenRasterReadOnly(path, &raster, Engine::ReadOpenMode(), 0) != 0) {
        DestroyContext(context);
        host.context = nullptr;
        return 0;
    }
    context->raster_handle = raster;

    context->raster_path = path;
    DeriveStyleFileName(*context, context->raster_path);
    Colour::RenderStyleSettings style;
    const int32_t stored_kind = TakeStoredStyle(*context, style);

    int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    if (Kvr::GetGridCellRange(raster, context->field, 0, &x0, &y0, &x1, &y1) != 0 &&
        context->field != 0) {
        // A field the raster no longer has (a stale document): the style upkeep draws the
        // raster's own default, which shows the first field.
        context->field = 0;
        context->band = 0;
        Kvr::GetGridCellRange(raster, context->field, 0, &x0, &y0, &x1, &y1);
    }
    context->cell_origin_x = x0;
    context->cell_origin_y = y0;
    context->width = x1 - x0;
    context->height = y1 - y0;
    host.width = static_cast<int32_t>(context->width);
    host.height = static_cast<int32_t>(context->height);
    CopyHostPath(host, context->raster_path);

    double cell_x = 0.0, cell_y = 0.0;
    if (Kvr::GetCellSize(raster, context->field, 0, &cell_x, &cell_y) == 0) {
        context->cell_size_x = static_cast<float>(cell_x);
        context->cell_size_y = static_cast<float>(cell_y);
    }
    host.open_level = 3;

    KvrHandle info = KVR_INVALID_HANDLE;
    if (Kvr::GetOpenInfo(raster, &info, 0) != 0) {
        // Without the information records the raster is drawn from its extent alone.
        host.error_code = RH_ERROR_NONE;
        return 1;
    }
    context->info_handle = info;

    const KvrRasterInfo* raster_info = nullptr;
    Kvr::RasterInfo(info, &raster_info);
    const KvrFieldInfo* field = nullptr;
    Kvr::FieldInfo(info, context->field, &field);
    if (field != nullptr) {
        context->field_type = field->field_type;
        context->cell_offset_x = field->cell_offset_x;
        context->cell_offset_y = field->cell_offset_y;
    }
    if (raster_info != nullptr) TakeRasterInfo(*context, *raster_info);

    context->band_count = Kvr::InfoBandCount(info, context->field);
    if (context->field_type == KVR_FIELD_MULTIBAND || context->field_type == KVR_FIELD_GRID)
        context->band = 0;
    else if (context->field_type == KVR_FIELD_PALETTE)
        context->band = 1;

    const KvrBandInfo* band = nullptr;
    if (Kvr::BandInfo(info, context->field, context->band, &band) == 0 && band != nullptr)
        context->band_kind = band->band_kind;
    if (stored_kind == Colour::kRenderStyleRgb &&
        !(style.red.field == style.green.field && style.green.field == style.blue.field))
        context->band_kind = 51;

    if (!PrepareRenderStyle(*context)) return 0;
    RefreshTransparency(*context);

    if (field != nullptr) {
        context->y_up = field->world_min_y >= field->reference_y;
        if (IsGeoreferenced(*field)) {
            RegistrationPoints* points = NewRegistrationPoints(
                static_cast<double>(context->width), static_cast<double>(context->height), *field);
            if (points == nullptr) {
                host.error_code = RH_ERROR_MEMORY;
                return 0;
            }
            host.registration = points;
        }
    }
    host.error_code = RH_ERROR_NONE;
    return 1;
}

}  // namespace Tarn::Handler

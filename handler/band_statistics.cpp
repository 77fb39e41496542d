// Asking the engine for band statistics: stored first, then computed.
#include "handler/band_statistics.h"

#include <cmath>
#include <limits>

#include "engine/engine_calls.h"

namespace Tarn::Handler {
namespace Kvr = Engine::Kvr;

namespace {

int GetStatistics(const HandlerContext& context, EngineStatistics& slot, int32_t field,
                  int32_t band, int32_t mode, int32_t force) {
    slot.Release();
    const int status =
        Kvr::GetStatistics(context.raster_handle, field, band, 0, slot.Slot(), mode, force, -1, 0);
    return status == 0 && slot ? 0 : (status != 0 ? status : 1);
}

}  // namespace

void LoadBandStatistics(HandlerContext& context, EngineStatistics& slot, int32_t field,
                        int32_t band, int32_t level, int32_t mode) {
    if (GetStatistics(context, slot, field, band, mode, 0) == 0) {
        // Stored statistics may lack the relief statistic that shading divides by: compute
        // them. GetStatistics releases the stored record first; the engine would not.
        if (slot->relief_computed == 0 && std::fabs(slot->relief) < 0x1p-52 &&
            mode == kStatisticsModeBand)
            GetStatistics(context, slot, field, band, mode, 1);
        if (slot) context.relief_statistic = slot->relief;
    } else if (context.width * context.height > kLargeRasterCells && level > 0) {
        slot.Release();
        const int status = Kvr::ComputeStatistics(
            context.raster_handle, field, band, level, std::numeric_limits<int64_t>::min(),
            std::numeric_limits<int64_t>::max(), slot.Slot(), mode, -1, 0);
        // Cells of an overview level lie 2^level apart, so their differences are larger.
        if (status == 0 && slot)
            context.relief_statistic = slot->relief * std::pow(1.5, -static_cast<double>(level));
    } else if (GetStatistics(context, slot, field, band, mode, 1) == 0) {
        context.relief_statistic = slot->relief;
    }
    if (!slot && GetStatistics(context, slot, field, band, mode, 1) == 0)
        context.relief_statistic = slot->relief;
}

int32_t ChooseStatisticsLevel(const HandlerContext& context, int32_t field) {
    const int count = Kvr::InfoLevelCount(context.info_handle, field, 0);
    for (int32_t level = count - 1; level >= 0; --level) {
        const KvrLevelInfo* info = nullptr;
        if (Kvr::LevelInfo(context.info_handle, field, 0, level, &info) != 0 || info == nullptr)
            continue;
        const int64_t cells = (info->cell_x1 - info->cell_x0) * (info->cell_y1 - info->cell_y0);
        if (cells > kLargeRasterCells) return level;
    }
    return 0;
}

}  // namespace Tarn::Handler

// Band statistics from the raster engine for the coloured band or a colour channel, and the
// overview level they are computed on for large rasters.
#pragma once

#include <cstdint>

#include "handler/engine_statistics.h"
#include "handler/handler_context.h"

namespace Tarn::Handler {

// Statistics modes asked of the engine: 4 for a single coloured band, 3 for a colour channel.
inline constexpr int32_t kStatisticsModeBand = 4;
inline constexpr int32_t kStatisticsModeChannel = 3;

// Rasters with more cells than this get their statistics from an overview level.
inline constexpr int64_t kLargeRasterCells = 0xFFFFF;

// Fills `slot` (released first) with the band's statistics: stored ones when the engine has
// them, else computed on `level` for a large raster, else computed on the whole band. Sets the
// context's relief statistic; one computed on an overview level is scaled by 1.5^-level.
void LoadBandStatistics(HandlerContext& context, EngineStatistics& slot, int32_t field,
                        int32_t band, int32_t level, int32_t mode);

// The coarsest listed overview level of the field that still has more than kLargeRasterCells
// cells; 0 when none has.
int32_t ChooseStatisticsLevel(const HandlerContext& context, int32_t field);

}  // namespace Tarn::Handler

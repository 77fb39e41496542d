// RH_StartDraw's work: one picture of the open raster in the context's pixel buffer, made from
// the engine's cell blocks by the style kind, and the draw level it is read at.
#pragma once

#include <cstdint>

#include "draw/pseudo.h"
#include "handler/handler_context.h"
#include "handler/rh_api.h"

namespace Tarn::Handler {

// Sets the context's draw level for `source_width` x `source_height` cells drawn to
// `output_width` x `output_height` pixels, and its cell sizes to the engine's at that level
// (kept as they were when the engine does not answer).
void ChooseDrawLevel(HandlerContext& context, int64_t source_width, int64_t source_height,
                     int64_t output_width, int64_t output_height);

// How the context colours a single-band picture of `source_width` x `source_height` cells at
// `output_width` x `output_height` pixels: its colour control and fractions, its background and
// transparent colours, and the shading at the statistics level, else at the draw level (chosen
// here, with its cell sizes).
Draw::PseudoColouring SingleBandColouring(HandlerContext& context, int64_t source_width,
                                    int64_t source_height, int64_t output_width,
                                    int64_t output_height);

// Draws the cell rectangle `cells` (rows counted as the host counts them) into a picture of the
// output rectangle's size. A shaded single-band picture is read with a halo of output pixels
// around it where the raster has the cells, so that a window's border is lit as in the whole
// picture. 1 with the picture ready and error 0; 0 with no picture (the buffer
// freed) and error 4 when memory is short, error 2 when the engine refuses a band composite's
// block, and the error code untouched for an empty or oversized rectangle. A picture the host
// never ended is freed first.
int StartDraw(HostRasterRecord& host, HandlerContext& context, const DrawRect& output,
              const DrawRect& cells, double lines_per_row);

}  // namespace Tarn::Handler

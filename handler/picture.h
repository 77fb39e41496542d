// Serving a finished picture to the host: a row at a time, or as one block turned upside down.
#pragma once

#include <cstdint>

#include "handler/handler_context.h"

namespace Tarn::Handler {

// The row the host asks for with `line` (a cell row of the drawn rectangle), or null when no
// picture is ready or the line falls outside it.
uint8_t* PictureRow(const HandlerContext& context, int32_t line);

// Turns the rows of the picture upside down in place; a second call turns them back.
void FlipPicture(HandlerContext& context);

// Frees the picture buffer; the picture is no longer ready.
void EndPicture(HandlerContext& context);

}  // namespace Tarn::Handler

// Colouring from the render style's transforms: the colour information of a "Pseudo" style into
// the context's colour control, and of a channel into the channel's, with the colour table file
// it names and a mapping set from the band statistics.
#pragma once

#include "colour/colour_info.h"
#include "handler/channel_record.h"
#include "handler/handler_context.h"

namespace Tarn::Handler {

// Result of the colouring steps besides 0 and the reading and loading codes: no band statistics
// to colour by, or no colour palette directory.
inline constexpr int kColouringUnavailable = -1;

// Reads the transform that the style name names and colours the band with it. 0 when the
// colour table file it names was loaded (or it carries its own mapping); otherwise the failure's
// code, with the band coloured by an equal-area blue-to-red ramp when there are statistics.
int LoadPseudoColourInfo(HandlerContext& context);

// The same with a transform in hand.
int ApplyPseudoColourInfo(HandlerContext& context, const Colour::ColourInfo& info);

// Reads the channel's transform and sets the channel's mapping from its statistics; a failure's
// code when the transform cannot be read or applied, else 0.
int LoadChannelColourInfo(HandlerContext& context, ChannelRecord& channel);

// The context's red, green and blue fraction vectors from its colour table.
void FillColourFractions(HandlerContext& context);

// A usable colouring without statistics or a style document: a 256-entry blue-to-red HSL ramp
// over a linear mapping from the value minimum to the maximum.
void ApplyFallbackColouring(HandlerContext& context);

}  // namespace Tarn::Handler

// Colouring from the render style's transforms: the colour information of a "Pseudo" style into
// the context's colour control, and of a channel into the channel's, with the colour table file
// it names and a mapping set from the band statistics.
#pragma once

#include <string>
#include <string_view>

#include "colour/colour_info.h"
#include "handler/channel_record.h"
#include "handler/handler_context.h"
#include "style/serializer_result.h"

namespace Tarn::Handler {

// Result of the colouring steps besides 0 and the reading and loading codes: no band statistics
// to colour by, or no colour palette directory.
inline constexpr int kColouringUnavailable = -1;

// How a colouring step ended: code 0, or the failure's code and what failed, in words.
struct ColouringOutcome {
    int code = 0;
    std::string trouble;
};

// The transform `name` of the style in use: the memory style's when the context draws from
// one, else the document's (the first Transform when none has the name).
Colour::SerializerResult ReadStyleTransform(const HandlerContext& context, std::string_view name,
                                            Colour::ColourInfo& info);

// Reads the transform that the style name names and colours the band with it. Code 0 when the
// colour table file it names was loaded (or it carries its own mapping); otherwise the failure,
// with the band coloured by an equal-area blue-to-red ramp when there are statistics.
ColouringOutcome LoadPseudoColourInfo(HandlerContext& context);

// The same with a transform in hand.
ColouringOutcome ApplyPseudoColourInfo(HandlerContext& context, const Colour::ColourInfo& info);

// Reads the channel's transform and sets the channel's mapping from its statistics; a failure's
// code when the transform cannot be read or applied, else 0.
int LoadChannelColourInfo(HandlerContext& context, ChannelRecord& channel);

// The context's red, green and blue fraction vectors from its colour table.
void FillColourFractions(HandlerContext& context);

// A usable colouring without statistics or a style document: a 256-entry blue-to-red HSL ramp
// over a linear mapping from the value minimum to the maximum.
void ApplyFallbackColouring(HandlerContext& context);

}  // namespace Tarn::Handler

// Applying a user colour mapping (control points of value and colour) to a colour control.
#pragma once

#include "colour/colour_control.h"
#include "colour/colour_info.h"
#include "colour/colour_result.h"

namespace Tarn::Colour {

// Stores the mapping in the control, then builds its colour table and value mapping from the
// control's attached band statistics.
ColourResult ApplyUserColourMapping(CColourControl& control, const UserColourMapping& mapping);

}  // namespace Tarn::Colour

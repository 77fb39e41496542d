// Registration points: the four corners of a georeferenced raster in cell and world
// coordinates, hung on the host record.
#pragma once

#include "engine/kvr_contract.h"
#include "handler/rh_api.h"

namespace Tarn::Handler {

// A raster whose world extent is exactly its cell extent, (0, 0) to (width, height), has no
// georeferencing.
bool IsGeoreferenced(const KvrFieldInfo& field);

// A new record (malloc) for a raster of `width` x `height` cells over the field's world extent;
// null when out of memory.
RegistrationPoints* NewRegistrationPoints(double width, double height, const KvrFieldInfo& field);

}  // namespace Tarn::Handler

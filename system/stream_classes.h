// Registration of the library's stream classes with the stream factory, made once after the
// raster engine is bound.
#pragma once

namespace Tarn::System {

void RegisterStreamClasses();

}  // namespace Tarn::System

// The life of the library this code is linked into, as the loader reports it.
#pragma once

namespace Tarn::Platform {

// True while the library is being unloaded because the whole process ends. Other libraries may
// already be gone then (on Windows the loader has detached them), so an unload hook must not
// free them; the system takes everything back anyway.
bool ProcessIsEnding();

}  // namespace Tarn::Platform

// Whether the process's standard error goes to a terminal (where progress can be drawn).
#pragma once

namespace Tarn::Platform {

bool StandardErrorIsTerminal();

}  // namespace Tarn::Platform

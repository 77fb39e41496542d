// DllMain of the library this code is linked into: no thread notifications (the library keeps
// no per-thread state), and whether a detach comes from the process ending. MinGW's start-up code
// calls DllMain before it runs the library's static destructors, so they can ask.
#include <windows.h>

#include <atomic>

#include "platform/library_lifetime.h"

namespace {

std::atomic<bool> g_process_ending{false};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
    // A detach with `reserved` set is the process ending, not FreeLibrary.
    if (reason == DLL_PROCESS_DETACH) g_process_ending = reserved != nullptr;
    return TRUE;
}

namespace Tarn::Platform {

bool ProcessIsEnding() {
    return g_process_ending;
}

}  // namespace Tarn::Platform

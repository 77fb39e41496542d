// DllMain of the library this code is linked into: it asks to be spared thread notifications, and
// notes whether a detach comes from the process ending. MinGW's start-up code calls DllMain before
// it runs the library's static destructors, so they can ask.
//
// The loader refuses that request for a DLL with static thread-local storage, which the MinGW
// runtime linked in always has: its TLS callbacks free the per-thread data of winpthreads and of
// thread_local variables when a thread ends. So the notifications still come, and DllMain lets
// them pass; the refusal is what keeps a host thread from leaving that data behind.
#include <windows.h>

#include <atomic>

#include "platform/library_lifetime.h"

namespace {

std::atomic<bool> g_process_ending{false};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);  // refused, see above
    // A detach with `reserved` set is the process ending, not FreeLibrary.
    if (reason == DLL_PROCESS_DETACH) g_process_ending = reserved != nullptr;
    return TRUE;
}

namespace Tarn::Platform {

bool ProcessIsEnding() {
    return g_process_ending;
}

}  // namespace Tarn::Platform

// Loading shared libraries at run time (dlopen with RTLD_NOW, dlsym, dlclose).
#pragma once

#include <string>

namespace Tarn::Platform {

// Null on failure; LastLoadError() then says why.
void* OpenLibrary(const std::string& path);
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);
std::string LastLoadError();

}  // namespace Tarn::Platform

// Loading shared libraries at run time: dlopen with RTLD_NOW, dlsym and dlclose here;
// LoadLibraryW, GetProcAddress and FreeLibrary on Windows.
#pragma once

#include <string>
#include <string_view>

namespace Tarn::Platform {

// Null on failure; LastLoadError() then says why.
void* OpenLibrary(const std::string& path);
void* FindSymbol(void* library, const char* name);
void CloseLibrary(void* library);
std::string LastLoadError();

// The file name of the library `stem` on this system: "stem.so", or "stem.dll" on Windows.
std::string LibraryFileName(std::string_view stem);

}  // namespace Tarn::Platform

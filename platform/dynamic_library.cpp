// dlopen-based library loading.
#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace Tarn::Platform {

void* OpenLibrary(const std::string& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindSymbol(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

void CloseLibrary(void* library) {
    if (library) dlclose(library);
}

std::string LastLoadError() {
    const char* message = dlerror();
    return message ? message : "";
}

std::string LibraryFileName(std::string_view stem) {
    return std::string(stem) + ".so";
}

}  // namespace Tarn::Platform

// What the harnesses share: a scratch file per process for the readers that take a path, and
// a check that stops the run loudly when a property a parser promises does not hold.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/temp_file.h"
#include "system/utf.h"

namespace Tarn::Fuzz {

// A path of this process's own that ends in `suffix` (the readers choose by extension). The
// unique file made first reserves the name; the harness writes beside it under the suffix.
inline const std::string& ScratchPath(std::string_view suffix) {
    static const std::string base = [] {
        const auto made = Platform::CreateUniqueFile(
            std::filesystem::temp_directory_path().string(), "rh-fuzz-");
        if (!made) {
            std::fprintf(stderr, "no scratch file in the temporary directory\n");
            std::abort();
        }
        return *made;
    }();
    static std::string path;
    path = base + std::string(suffix);
    return path;
}

inline void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// Writes the input to the scratch path with that suffix; the path, wide as the readers want it.
inline std::u16string InputFile(std::string_view suffix, const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath(suffix);
    WriteFile(path, data, size);
    return System::Utf8ToWide(path);
}

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// abort() makes libFuzzer save the input as a crash.
#define RH_FUZZ_CHECK(condition)                                                        \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                               \
        }                                                                               \
    } while (false)

}  // namespace Tarn::Fuzz

// KVRasterAPI.so exports the 24 KVR_ names and the 25 KVR_H_ names and nothing else, and each
// KVR_H_ name is the same function as its KVR_ twin.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "engine_library.h"
#include "platform/dynamic_library.h"

namespace Tarn::RasterApiTest {
namespace {

// Names of the defined global and weak symbols in an ELF64 file's .dynsym.
std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> file{std::istreambuf_iterator<char>(in),
                                 std::istreambuf_iterator<char>()};
    std::set<std::string> names;
    if (file.size() < sizeof(Elf64_Ehdr)) return names;
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return names;
    const auto section = [&](size_t index) {
        Elf64_Shdr s;
        std::memcpy(&s, file.data() + header.e_shoff + index * header.e_shentsize, sizeof s);
        return s;
    };
    for (size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr symbols = section(i);
        if (symbols.sh_type != SHT_DYNSYM) continue;
        const Elf64_Shdr strings = section(symbols.sh_link);
        for (size_t at = 0; at + sizeof(Elf64_Sym) <= symbols.sh_size; at += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            std::memcpy(&symbol, file.data() + symbols.sh_offset + at, sizeof symbol);
            const int binding = ELF64_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK))
                continue;
            names.insert(file.data() + strings.sh_offset + symbol.st_name);
        }
    }
    return names;
}

const char* const kNames[] = {
    "OpenRasterReadOnly",  "GetStatistics",      "ComputeStatistics", "ReleaseStatistics",
    "ReleaseData",         "ReleaseRasterInfo",  "VerifyRaster",      "GetCellSize",
    "GetOpenInfo",         "RasterInfo",         "CloseRaster",       "GetGridCellRange",
    "GetCellRange",        "ConvertCellToWorld", "PopulateCellBlock", "GetCS_EPSG",
    "FieldInfo",           "InfoLevelCount",     "LevelInfo",         "InfoBandCount",
    "SetOpenQualityLimit", "BandInfo",           "GetGHXFilename",    "ReleaseString",
};

TEST(EngineExports, ExactlyBothNameSets) {
    std::set<std::string> expected;
    for (const char* name : kNames) {
        expected.insert(std::string("KVR_") + name);
        expected.insert(std::string("KVR_H_") + name);
    }
    expected.insert("KVR_H_SetCacheSize");
    ASSERT_EQ(expected.size(), 49u);
    EXPECT_EQ(DefinedDynamicSymbols(EnginePath()), expected);
}

TEST(EngineExports, HNamesAreTheSameFunctions) {
    void* library = Engine().library;
    ASSERT_NE(library, nullptr);
    for (const char* name : kNames) {
        void* plain = Platform::FindSymbol(library, (std::string("KVR_") + name).c_str());
        void* h = Platform::FindSymbol(library, (std::string("KVR_H_") + name).c_str());
        EXPECT_NE(plain, nullptr) << name;
        EXPECT_EQ(plain, h) << name;
    }
}

}  // namespace
}  // namespace Tarn::RasterApiTest

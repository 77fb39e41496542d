// Each built plug-in exports exactly the thirteen RH_ functions: read from the dynamic symbol
// table of the files in the build's bin directory.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

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
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return names;
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

class Exports : public ::testing::TestWithParam<const char*> {};

TEST_P(Exports, ExactlyTheThirteenEntryPoints) {
    const std::set<std::string> expected = {
        "RH_Identify",
        "RH_IsFormat",
        "RH_IsFormatW",
        "RH_Open",
        "RH_OpenW",
        "RH_GetCapabilities",
        "RH_GetCorvaneCoordinateSystem",
        "RH_StartDraw",
        "RH_GetLine",
        "RH_GetBlock",
        "RH_EndDraw",
        "RH_Close",
        "RH_GetTransparentColorFromImage",
    };
    EXPECT_EQ(DefinedDynamicSymbols(std::string(RH_BIN_DIR) + "/" + GetParam()), expected);
}

INSTANTIATE_TEST_SUITE_P(BothPlugins, Exports,
                         ::testing::Values("KVRasterHandlerGDAL.rha", "KVRasterHandler.rha"));

}  // namespace

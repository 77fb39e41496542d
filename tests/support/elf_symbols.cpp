// .dynsym walk over the section headers of an ELF64 file read whole.
#include "tests/support/elf_symbols.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace Tarn::Test {

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

}  // namespace Tarn::Test

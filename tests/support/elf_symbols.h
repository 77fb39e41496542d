// Reading the exports of a built shared library from its dynamic symbol table.
#pragma once

#include <set>
#include <string>

namespace Tarn::Test {

// Names of the defined global and weak symbols in an ELF64 file's .dynsym; empty when the file
// is missing or not ELF64.
std::set<std::string> DefinedDynamicSymbols(const std::string& path);

}  // namespace Tarn::Test

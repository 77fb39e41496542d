// Reading the export table of a built Windows DLL (PE32+), on any system.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace Tarn::Test {

struct PeExports {
    std::set<std::string> names;  // exported by name, undecorated as stored
    unsigned function_count = 0;  // every export, also those reachable by ordinal only
};

// Nothing when the file is missing or not a PE32+ image; no names when it exports nothing.
std::optional<PeExports> ReadPeExports(const std::string& path);

}  // namespace Tarn::Test

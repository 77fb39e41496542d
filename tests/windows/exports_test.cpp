// The Windows DLLs export exactly their contract, by undecorated name and nothing else (no C++
// symbols, nothing by ordinal only): read from the export tables of the files in bin/.
#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>

#include "tests/support/entry_points.h"
#include "tests/support/pe_exports.h"
#include "tests/support/param_names.h"

namespace {

using Tarn::Test::ReadPeExports;

struct Library {
    const char* file;
    std::set<std::string> names;
};

void PrintTo(const Library& library, std::ostream* os) {
    *os << library.file;
}

class DllExports : public ::testing::TestWithParam<Library> {};

TEST_P(DllExports, ExactlyTheContract) {
    const auto exports = ReadPeExports(std::string(RH_BIN_DIR) + "/" + GetParam().file);
    ASSERT_TRUE(exports.has_value()) << GetParam().file << " is no PE32+ image";
    EXPECT_EQ(exports->names, GetParam().names);
    EXPECT_EQ(exports->function_count, GetParam().names.size());
}

INSTANTIATE_TEST_SUITE_P(
    BuiltLibraries, DllExports,
    ::testing::Values(Library{"KVRasterHandlerGDAL.rha", Tarn::Test::kPluginEntryPoints},
                      Library{"KVRasterHandler.rha", Tarn::Test::kPluginEntryPoints},
                      Library{"KVRasterUtility.dll",
                              {"GetHandlerPrefs", "GetRasterProgramDir", "GetColourPalatteDir"}}),
                         Tarn::Test::PrintedName());

}  // namespace

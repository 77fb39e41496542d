// Each built plug-in exports exactly the thirteen RH_ functions: read from the dynamic symbol
// table of the files in the build's bin directory.
#include <gtest/gtest.h>

#include "tests/support/elf_symbols.h"
#include "tests/support/entry_points.h"
#include "tests/support/param_names.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using Tarn::Test::DefinedDynamicSymbols;

class Exports : public ::testing::TestWithParam<const char*> {};

TEST_P(Exports, ExactlyTheThirteenEntryPoints) {
    EXPECT_EQ(DefinedDynamicSymbols(std::string(RH_BIN_DIR) + "/" + GetParam()),
              Tarn::Test::kPluginEntryPoints);
}

INSTANTIATE_TEST_SUITE_P(BothPlugins, Exports,
                         ::testing::Values("KVRasterHandlerGDAL.rha", "KVRasterHandler.rha"),
                         Tarn::Test::PrintedName());

}  // namespace

// The diagnostic log: tables built by the user mapping land in the file that the registry
// value "LogFile" names, numbers in "%.20g"; without the value nothing is written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "colour/colour_control.h"
#include "colour/diagnostic_log.h"

using namespace Tarn::Colour;

namespace {

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/colour_log_" + name;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class DiagnosticLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        user_reg_ = TempPath(test + "_user.reg");
        log_ = TempPath(test + ".log");
        std::remove(log_.c_str());
        std::remove(user_reg_.c_str());
        setenv("CORVANE_USER_REG", user_reg_.c_str(), 1);
        setenv("CORVANE_SYSTEM_REG", TempPath(test + "_missing_system.reg").c_str(), 1);
    }
    void TearDown() override {
        std::remove(log_.c_str());
        std::remove(user_reg_.c_str());
    }
    void NameLogFile(const std::string& path) {
        std::ofstream reg(user_reg_, std::ios::binary);
        reg << "Windows Registry Editor Version 5.00\r\n\r\n"
            << "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\r\n"
            << "\"LogFile\"=\"" << path << "\"\r\n";
    }

    std::string user_reg_;
    std::string log_;
};

TEST_F(DiagnosticLogTest, UserMappingAndItsTableAreAppended) {
    NameLogFile(log_);
    {
        std::ofstream existing(log_);
        existing << "earlier\n";
    }
    CColourControl c;
    c.BuildRamp(0, 0, 3, kRampRgb);
    const std::vector<MapPair> pairs = {{-1.5, 0}, {0.1, 0.25}};
    c.SetUserMapping(pairs, true);
    EXPECT_EQ(ReadAll(log_),
              "earlier\n"
              "ColourTableSize: 3\n MapUserMap: \n"
              " vdVal: -1.5 vdIndex: 0\n"
              " vdVal: 0.10000000000000000555 vdIndex: 0.25\n"
              "CreateNonLinearTable: \n"
              " vdValue: -1.5 vdTable: 0\n"
              " vdValue: 0.10000000000000000555 vdTable: 0.25\n"
              "--------------------------------\n");
}

TEST_F(DiagnosticLogTest, NothingIsWrittenWithoutTheValueOrAWritableFile) {
    CColourControl c;
    const std::vector<MapPair> pairs = {{0, 0}, {1, 1}};
    c.SetUserMapping(pairs, true);
    EXPECT_FALSE(std::ifstream(log_).good());
    EXPECT_FALSE(DiagnosticLog().Enabled());

    // A log in a directory that does not exist is skipped silently.
    NameLogFile(TempPath("no_such_dir/x.log"));
    EXPECT_TRUE(DiagnosticLog().Enabled());
    c.SetUserMapping(pairs, true);
    EXPECT_EQ(c.MappingKind(), kMappingUser);
}

}  // namespace

// The registry files: reading string values from both hives and editing the per-user file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/registry_files.h"

namespace {

namespace fs = std::filesystem;
using Tarn::Platform::ReadRegistryString;
using Tarn::Platform::ReadRegistryStringUserFirst;
using Tarn::Platform::RegistryEditor;
using Tarn::Platform::RegistryFilePath;
using Tarn::Platform::RegistryHive;

constexpr const char* kRasterKey = "Software\\Corvane\\Corvane\\Raster\\200\\";

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// UTF-16LE with a byte order mark, the form the registry editor exports; ASCII input only.
std::string Utf16Le(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

// Each test gets its own hive files below a fresh directory.
class RegistryFiles : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "registry-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        user_ = dir_ / "user.reg";
        system_ = dir_ / "system.reg";
        setenv("CORVANE_USER_REG", user_.c_str(), 1);
        setenv("CORVANE_SYSTEM_REG", system_.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path dir_, user_, system_;
};

TEST_F(RegistryFiles, HivePathsFollowTheEnvironment) {
    EXPECT_EQ(RegistryFilePath(RegistryHive::CurrentUser), user_.string());
    EXPECT_EQ(RegistryFilePath(RegistryHive::LocalMachine), system_.string());
    unsetenv("CORVANE_USER_REG");
    unsetenv("CORVANE_SYSTEM_REG");
    setenv("XDG_CONFIG_HOME", "/x/config", 1);
    EXPECT_EQ(RegistryFilePath(RegistryHive::CurrentUser), "/x/config/corvane/user.reg");
    EXPECT_EQ(RegistryFilePath(RegistryHive::LocalMachine), "/etc/corvane/system.reg");
}

// The same hive in each encoding and line-end style a file can come in.
class RegistryEncodings : public RegistryFiles, public ::testing::WithParamInterface<int> {};

TEST_P(RegistryEncodings, ReadsKeysAndNamesIgnoringCaseAndTrailingBackslash) {
    const std::string eol = GetParam() == 0 ? "\n" : "\r\n";
    const std::string text = "Windows Registry Editor Version 5.00" + eol + eol +
                             "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]" + eol +
                             "\"ColorPalettes\"=\"/opt/pal\"" + eol;
    WriteBytes(user_, GetParam() == 2   ? Utf16Le(text)
                      : GetParam() == 3 ? "\xEF\xBB\xBF" + text
                                        : text);
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, kRasterKey, "ColorPalettes"),
              "/opt/pal");
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser,
                                 "software\\CORVANE\\corvane\\raster\\200", "colorpalettes"),
              "/opt/pal");
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, kRasterKey, "Missing"), std::nullopt);
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, "Software\\Corvane", "ColorPalettes"),
              std::nullopt);
}

// 0: UTF-8 with LF, 1: UTF-8 with CR LF, 2: UTF-16LE with CR LF, 3: UTF-8 with a byte order mark.
std::string FormName(const ::testing::TestParamInfo<int>& info) {
    static const char* const names[] = {"Utf8Lf", "Utf8CrLf", "Utf16CrLf", "Utf8ByteOrderMark"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Forms, RegistryEncodings, ::testing::Values(0, 1, 2, 3), FormName);

TEST_F(RegistryFiles, SkipsMalformedAndTypedLinesAndKeepsTheLastAssignment) {
    WriteBytes(user_,
               "Windows Registry Editor Version 5.00\n"
               "[HKEY_CURRENT_USER\\K]\n"
               "\"Escaped\"=\"C:\\\\dir\\\\\\\"q\\\"\"\n"
               "\"Unclosed\"=\"abc\n"
               "garbage line without quotes\n"
               "\"NoEquals\" \"x\"\n"
               "\"Number\"=dword:00000010\n"
               "\"Binary\"=hex:01,02,\\\n"
               "  \"Tail\"=\"not a value\"\n"
               "@=\"default\"\n"
               "\"Twice\"=\"first\"\n"
               "[HKEY_CURRENT_USER\\Other]\n"
               "\"Twice\"=\"other key\"\n"
               "[hkey_current_user\\k\\]\n"
               "\"Twice\"=\"second\"\n"
               "\"Gone\"=\"x\"\n"
               "\"Gone\"=-\n");
    const auto read = [](const char* name) {
        return ReadRegistryString(RegistryHive::CurrentUser, "K", name);
    };
    EXPECT_EQ(read("Escaped"), "C:\\dir\\\"q\"");
    EXPECT_EQ(read("Unclosed"), std::nullopt);
    EXPECT_EQ(read("NoEquals"), std::nullopt);
    EXPECT_EQ(read("Number"), std::nullopt);
    EXPECT_EQ(read("Binary"), std::nullopt);
    EXPECT_EQ(read("Tail"), std::nullopt);
    EXPECT_EQ(read(""), "default");
    EXPECT_EQ(read("Twice"), "second");
    EXPECT_EQ(read("Gone"), std::nullopt);
}

TEST_F(RegistryFiles, UserHiveWinsOverMachineHive) {
    WriteBytes(user_, "[HKEY_CURRENT_USER\\K]\n\"Both\"=\"user\"\n");
    WriteBytes(system_,
               "[HKEY_LOCAL_MACHINE\\K]\n\"Both\"=\"machine\"\n\"MachineOnly\"=\"machine\"\n");
    EXPECT_EQ(ReadRegistryStringUserFirst("K", "Both"), "user");
    EXPECT_EQ(ReadRegistryStringUserFirst("K", "MachineOnly"), "machine");
    EXPECT_EQ(ReadRegistryStringUserFirst("K", "Neither"), std::nullopt);
    fs::remove(user_);
    fs::remove(system_);
    EXPECT_EQ(ReadRegistryStringUserFirst("K", "Both"), std::nullopt);
}

TEST_F(RegistryFiles, EditorChangesOnlyWhatItSetsAndKeepsTheRest) {
    const std::string before =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment the user wrote\r\n"
        "[HKEY_CURRENT_USER\\K]\r\n"
        "\"Keep\"=dword:00000001\r\n"
        "\"Change\"=\"old\"\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Other]\r\n"
        "\"Keep\"=\"other\"\r\n";
    WriteBytes(user_, before);
    RegistryEditor editor;
    editor.SetString("k\\", "CHANGE", "new \"quoted\" \\ text");
    editor.SetString("K", "Added", "x");
    editor.CreateKey("Other");
    editor.SetString("New\\Key", "Name", "y");
    ASSERT_TRUE(editor.Commit());
    EXPECT_EQ(ReadBytes(user_),
              "Windows Registry Editor Version 5.00\r\n"
              "\r\n"
              "; a comment the user wrote\r\n"
              "[HKEY_CURRENT_USER\\K]\r\n"
              "\"Keep\"=dword:00000001\r\n"
              "\"CHANGE\"=\"new \\\"quoted\\\" \\\\ text\"\r\n"
              "\"Added\"=\"x\"\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Other]\r\n"
              "\"Keep\"=\"other\"\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\New\\Key]\r\n"
              "\"Name\"=\"y\"\r\n");
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, "K", "Change"),
              "new \"quoted\" \\ text");
    // Nothing but the hive is left in the directory: the temporary file was renamed.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(RegistryFiles, EditorCreatesAMissingFileAndItsDirectory) {
    const fs::path nested = dir_ / "a" / "b" / "user.reg";
    setenv("CORVANE_USER_REG", nested.c_str(), 1);
    RegistryEditor editor;
    editor.SetString(kRasterKey, "LogFile", "/tmp/log.txt");
    ASSERT_TRUE(editor.Commit());
    EXPECT_EQ(ReadBytes(nested),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Corvane\\Corvane\\Raster\\200]\n"
              "\"LogFile\"=\"/tmp/log.txt\"\n");
}

TEST_F(RegistryFiles, EditorKeepsAUtf16File) {
    WriteBytes(user_, Utf16Le("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K]"
                              "\r\n\"A\"=\"1\"\r\n"));
    RegistryEditor editor;
    editor.SetString("K", "A", "2");
    ASSERT_TRUE(editor.Commit());
    EXPECT_EQ(ReadBytes(user_), Utf16Le("Windows Registry Editor Version 5.00\r\n\r\n"
                                        "[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"2\"\r\n"));
}

TEST_F(RegistryFiles, EditorKeepsAUtf8ByteOrderMark) {
    WriteBytes(user_, "\xEF\xBB\xBF[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n");
    RegistryEditor editor;
    editor.SetString("K", "A", "2");
    ASSERT_TRUE(editor.Commit());
    EXPECT_EQ(ReadBytes(user_), "\xEF\xBB\xBF[HKEY_CURRENT_USER\\K]\n\"A\"=\"2\"\n");
}

// Whatever the lines around it, a value the editor commits reads back as set: continuation
// lines of hex values are neither headers nor values, and a deleted key stays deleted for what
// was set before its deletion.
TEST_F(RegistryFiles, EditedValuesReadBackWhateverSurroundsThem) {
    const struct {
        const char* what;
        const char* file;
    } cases[] = {
        {"continuation that looks like a header",
         "[HKEY_CURRENT_USER\\Other]\n\"H\"=hex:01,\\\n[HKEY_CURRENT_USER\\K]\n"},
        {"hex value left open at the end", "[HKEY_CURRENT_USER\\K]\n\"H\"=hex:01,02,\\\n"},
        {"hex value left open before a blank line",
         "[HKEY_CURRENT_USER\\K]\n\"H\"=hex:01,\\\n\n[HKEY_CURRENT_USER\\Z]\n"},
        {"key deleted later", "[HKEY_CURRENT_USER\\K]\n\"B\"=\"1\"\n[-HKEY_CURRENT_USER\\K]\n"},
        {"value deleted with its key later",
         "[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n[-HKEY_CURRENT_USER\\K]\n"},
        {"parent key deleted later",
         "[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n[-HKEY_CURRENT_USER]\n[-HKEY_CURRENT_USER\\k\\]\n"},
    };
    for (const auto& c : cases) {
        WriteBytes(user_, c.file);
        {
            RegistryEditor editor;
            editor.SetString("K", "A", "set");
            editor.CreateKey("K");
            ASSERT_TRUE(editor.Commit()) << c.what;
        }
        EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, "K", "A"), "set")
            << c.what << "\n" << ReadBytes(user_);
    }
}

TEST_F(RegistryFiles, DeletingAKeyDeletesTheKeysBelowIt) {
    WriteBytes(user_,
               "[HKEY_CURRENT_USER\\K\\Sub]\n\"A\"=\"1\"\n[HKEY_CURRENT_USER\\KSub]\n\"A\"=\"2\"\n"
               "[-HKEY_CURRENT_USER\\K]\n");
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, "K\\Sub", "A"), std::nullopt);
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, "KSub", "A"), "2");
}

TEST_F(RegistryFiles, EditorRefusesWhatWouldDamageTheFile) {
    const std::string before = "[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n";
    WriteBytes(user_, before);
    {
        // A line break cannot stand in a .reg value: it would split the line.
        RegistryEditor editor;
        editor.SetString("K", "A", "two\nlines");
        EXPECT_FALSE(editor.Commit());
    }
    EXPECT_EQ(ReadBytes(user_), before);
    {
        // A file that cannot be decoded is never replaced by what could be made of it.
        WriteBytes(user_, std::string("\xFF\xFE\x00\xD8", 4));
        RegistryEditor editor;
        editor.SetString("K", "A", "2");
        EXPECT_FALSE(editor.Commit());
        EXPECT_EQ(ReadBytes(user_), std::string("\xFF\xFE\x00\xD8", 4));
    }
}

}  // namespace

// The Windows side of the platform layer under the real calls: the registry per user before per
// machine, a path outside the ANSI code page through every file call, PATH grown with ";", the
// module directory of a plug-in loaded under another file name, an atomic replacement that
// meets a document another program holds open, and a download through WinINet.
// Winsock before anything brings in <windows.h>.
#include <winsock2.h>

#include <gtest/gtest.h>
#include <io.h>
#include <windows.h>
// <windows.h> maps SetCurrentDirectory to SetCurrentDirectoryW; here it is the platform layer's
// name.
#undef SetCurrentDirectory

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "engine/engine_binding.h"
#include "handler/rh_api.h"
#include "platform/atomic_file.h"
#include "platform/dynamic_library.h"
#include "platform/file_contents.h"
#include "platform/file_stream_io.h"
#include "platform/file_system.h"
#include "platform/locale_time.h"
#include "platform/module_path.h"
#include "platform/process_env.h"
#include "platform/registry_files.h"
#include "platform/temp_file.h"
#include "platform/terminal.h"
#include "platform/url_transfer.h"

namespace {

namespace fs = std::filesystem;
using namespace Tarn::Platform;

std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path FromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

// Serves one canned response to one connection on the loopback address (Winsock), and keeps the
// request it got. Gives up after ten seconds without a caller, so a failed request cannot hang.
class OneShotServer {
public:
    explicit OneShotServer(std::string response) : response_(std::move(response)) {
        WSADATA data{};
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (listener_ == INVALID_SOCKET ||
            bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 1) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~OneShotServer() {
        if (thread_.joinable()) thread_.join();
        if (listener_ != INVALID_SOCKET) closesocket(listener_);
        if (started_) WSACleanup();
    }

    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    const std::string& Request() {
        if (thread_.joinable()) thread_.join();
        return request_;
    }

private:
    void Serve() {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener_, &ready);
        timeval wait{10, 0};
        if (select(0, &ready, nullptr, nullptr, &wait) != 1) return;
        const SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        char buffer[4096];
        while (request_.find("\r\n\r\n") == std::string::npos) {
            const int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) break;
            request_.append(buffer, static_cast<size_t>(got));
        }
        for (size_t sent = 0; sent < response_.size();) {
            const int n =
                send(client, response_.data() + sent, static_cast<int>(response_.size() - sent), 0);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
        shutdown(client, SD_SEND);
        closesocket(client);
    }

    std::string response_;
    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::string request_;
    std::thread thread_;
};

// A fresh directory per test, named after it, below the temporary directory.
class WindowsPlatform : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ =
            fs::temp_directory_path() / (std::string(info->test_suite_name()) + "." + info->name() +
                                         "-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    fs::path dir_;
};

// A key of this test's own under Software, removed from both hives afterwards.
class WindowsRegistry : public WindowsPlatform {
protected:
    void SetUp() override {
        WindowsPlatform::SetUp();
        key_ = L"Software\\RasterHandlerTests\\" + std::to_wstring(GetCurrentProcessId());
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_.c_str());
        WindowsPlatform::TearDown();
    }
    void Put(HKEY root, const wchar_t* name, DWORD type, const std::wstring& text) {
        ASSERT_EQ(RegSetKeyValueW(root, key_.c_str(), name, type, text.c_str(),
                                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    std::string Key() const { return std::string(key_.begin(), key_.end()) + "\\"; }

    std::wstring key_;
};

TEST_F(WindowsRegistry, PerUserWinsOverPerMachineAndOnlyStringsRead) {
    Put(HKEY_LOCAL_MACHINE, L"Directory", REG_SZ, L"C:\\machine");
    EXPECT_EQ(ReadRegistryStringUserFirst(Key(), "Directory"), "C:\\machine");
    Put(HKEY_CURRENT_USER, L"Directory", REG_SZ, L"C:\\user");
    EXPECT_EQ(ReadRegistryStringUserFirst(Key(), "directory"), "C:\\user");
    EXPECT_EQ(ReadRegistryString(RegistryHive::LocalMachine, Key(), "Directory"), "C:\\machine");
    // An empty per-user value is a value: the machine's is not consulted.
    Put(HKEY_CURRENT_USER, L"Directory", REG_SZ, L"");
    EXPECT_EQ(ReadRegistryStringUserFirst(Key(), "Directory"), "");

    // Expandable strings are expanded, as the shell's reader does; numbers are no strings.
    SetEnvironmentVariableW(L"RH_TEST_ROOT", L"D:\\data");
    Put(HKEY_CURRENT_USER, L"Expanded", REG_EXPAND_SZ, L"%RH_TEST_ROOT%\\tables");
    EXPECT_EQ(ReadRegistryStringUserFirst(Key(), "Expanded"), "D:\\data\\tables");
    const DWORD number = 7;
    RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"Number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(ReadRegistryStringUserFirst(Key(), "Number"), std::nullopt);
    EXPECT_EQ(ReadRegistryStringUserFirst(Key(), "Missing"), std::nullopt);
    EXPECT_EQ(ReadRegistryStringUserFirst(Key() + "NoSuchKey", "Directory"), std::nullopt);
}

TEST_F(WindowsRegistry, EditorWritesThePerUserHiveOnlyOnCommit) {
    const std::string value = "C:\\Daten\\H\xC3\xB6he \xE5\xB1\xB1";  // "Höhe 山"
    RegistryEditor editor;
    editor.CreateKey(Key() + "Empty");
    editor.SetString(Key(), "LogFile", value);
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, Key(), "LogFile"), std::nullopt);
    ASSERT_TRUE(editor.Commit());
    EXPECT_EQ(ReadRegistryString(RegistryHive::CurrentUser, Key(), "LogFile"), value);
    EXPECT_EQ(ReadRegistryString(RegistryHive::LocalMachine, Key(), "LogFile"), std::nullopt);
    HKEY empty = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (key_ + L"\\Empty").c_str(), 0, KEY_READ, &empty),
              ERROR_SUCCESS);
    if (empty != nullptr) RegCloseKey(empty);
}

// Every file call of the platform layer on names outside any ANSI code page; the names on disk
// are checked through the C++ library's own wide calls.
TEST_F(WindowsPlatform, NonAsciiPathsThroughEveryFileCall) {
    const fs::path folder = dir_ / u8"Gr\u00FC\u00DFe \u5C71 \u0394";
    fs::create_directories(folder);
    const std::string name = Utf8(folder / u8"H\u00F6he \u6570.ghx");

    std::FILE* file =
        OpenFileStream(name, FileDisposition::CreateNew, FileAccess::ReadWrite, "w+b");
    ASSERT_NE(file, nullptr) << LastErrorText();
    EXPECT_EQ(std::fwrite("0123456789", 1, 10, file), 10u);
    EXPECT_TRUE(SeekFileStream(file, 4, 0));
    EXPECT_EQ(TellFileStream(file), 4);
    EXPECT_TRUE(TruncateFileStream(file, 6));
    EXPECT_EQ(TellFileStream(file), 4);
    const auto open_status = StatFileStream(file);
    ASSERT_TRUE(open_status.has_value());
    EXPECT_EQ(open_status->size, 6);
    EXPECT_TRUE(open_status->is_regular);
    std::fclose(file);
    EXPECT_EQ(OpenFileStream(name, FileDisposition::CreateNew, FileAccess::Write, "wb"), nullptr);
    EXPECT_EQ(errno, EEXIST);

    EXPECT_TRUE(fs::exists(FromUtf8(name)));
    EXPECT_EQ(ReadFileContents(name), "012345");
    const auto status = StatPath(name);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->is_regular && status->readable && status->writable);
    EXPECT_EQ(status->size, 6);
    EXPECT_EQ(FindFileIgnoringCase(Utf8(folder / u8"h\u00D6HE \u6570.GHX")).has_value(), true);
    OpenAndCloseHandle(name);

    const std::string renamed = Utf8(folder / u8"\u00E9t\u00E9.ghx");
    ASSERT_TRUE(RenamePath(name, renamed));
    EXPECT_FALSE(fs::exists(FromUtf8(name)));
    {
        AtomicFileWriter writer(renamed);
        ASSERT_NE(writer.File(), nullptr);
        std::fputs("replaced", writer.File());
        ASSERT_TRUE(writer.Commit());
    }
    EXPECT_EQ(ReadFileContents(renamed), "replaced");
    // The directory as the library passes it, ending in "/": one separator before the name.
    const auto unique = CreateUniqueFile(Utf8(folder) + "/", "xml");
    ASSERT_TRUE(unique.has_value());
    EXPECT_TRUE(fs::exists(FromUtf8(*unique)));
    EXPECT_EQ(FromUtf8(*unique).parent_path(), folder);
    EXPECT_EQ(unique->find_first_of("/\\", Utf8(folder).size() + 1), std::string::npos) << *unique;
    EXPECT_TRUE(RemoveFile(*unique));
    EXPECT_TRUE(RemoveFile(renamed));
    EXPECT_TRUE(fs::is_empty(folder));

    const std::string saved = CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectory(Utf8(folder)));
    EXPECT_EQ(FromUtf8(CurrentDirectory()), folder);
    EXPECT_EQ(FromUtf8(AbsolutePath("x.ghx")), folder / "x.ghx");
    EXPECT_TRUE(SetCurrentDirectory(saved));
}

// A library in a folder with such a name loads, and is found by its file name.
TEST_F(WindowsPlatform, NonAsciiLibraryPathLoads) {
    const fs::path folder = dir_ / u8"\u5C71 Bibliothek";
    fs::create_directories(folder);
    const fs::path copy = folder / u8"KVRasterUtility.dll";
    fs::copy_file(FromUtf8(RH_BIN_DIR) / "KVRasterUtility.dll", copy);
    void* library = OpenLibrary(Utf8(copy));
    ASSERT_NE(library, nullptr) << LastLoadError();
    EXPECT_NE(FindSymbol(library, "GetHandlerPrefs"), nullptr);
    EXPECT_EQ(FindSymbol(library, "NoSuchFunction"), nullptr);
    const auto found = FindLoadedModule("KVRasterUtility.dll");
    ASSERT_TRUE(found.has_value());
    EXPECT_TRUE(fs::equivalent(FromUtf8(*found), copy));
    CloseLibrary(library);
    EXPECT_EQ(OpenLibrary(Utf8(folder / "missing.dll")), nullptr);
    EXPECT_FALSE(LastLoadError().empty());
}

TEST_F(WindowsPlatform, PathGrowsWithSemicolons) {
    ASSERT_TRUE(SetEnv("PATH", "C:\\windows\\system32"));
    Tarn::Engine::AppendToPath(u"C:\\Program Files\\Raster \u00C4");
    EXPECT_EQ(GetEnv("PATH"), "C:\\windows\\system32;C:\\Program Files\\Raster \xC3\x84");
    // What the system sees, not only what the platform layer reads back.
    wchar_t path[256];
    ASSERT_GT(GetEnvironmentVariableW(L"PATH", path, 256), 0u);
    EXPECT_EQ(std::wstring(path), L"C:\\windows\\system32;C:\\Program Files\\Raster \u00C4");
    // An empty PATH gets no empty element, which would stand for the current directory.
    ASSERT_TRUE(SetEnv("PATH", ""));
    Tarn::Engine::AppendToPath(u"C:\\bin");
    EXPECT_EQ(GetEnv("PATH"), "C:\\bin");
    EXPECT_EQ(PathListSeparator(), ';');
}

// The plug-in finds its own file by its name with ".rha", ".dll" or ".rhz" (GetModuleHandleExW)
// and binds the utility library beside it; under any other name it looks beside the program
// that loaded it instead.
TEST_F(WindowsPlatform, ModuleDirectoryOfAPlugInLoadedUnderAnotherName) {
    const auto identify_as = [&](const char8_t* folder, const char* file_name) {
        const fs::path program = dir_ / folder;
        fs::create_directories(program);
        fs::copy_file(FromUtf8(RH_BIN_DIR) / "KVRasterHandlerGDAL.rha", program / file_name);
        fs::copy_file(FromUtf8(RH_BIN_DIR) / "KVRasterUtility.dll",
                      program / "KVRasterUtility.dll");
        void* plugin = OpenLibrary(Utf8(program / file_name));
        EXPECT_NE(plugin, nullptr) << LastLoadError();
        using Identify = int (*)(HandlerIdentity*);
        auto identify = reinterpret_cast<Identify>(FindSymbol(plugin, "RH_Identify"));
        HandlerIdentity identity{};
        if (identify != nullptr) identify(&identity);
        const auto utility = FindLoadedModule("KVRasterUtility.dll");
        const bool beside =
            utility && fs::equivalent(FromUtf8(*utility), program / "KVRasterUtility.dll");
        CloseLibrary(plugin);
        return beside;
    };
    // The test program's folder has no utility library, so nothing is bound under another name.
    EXPECT_FALSE(identify_as(u8"Programme \u00DC", "Raster Plug-in.dll"));
    EXPECT_FALSE(FindLoadedModule("KVRasterUtility.dll").has_value());
    EXPECT_TRUE(identify_as(u8"Programme \u00C4", "KVRasterHandlerGDAL.dll"));
}

// A document another program holds open without letting it be deleted cannot be replaced: the
// commit fails, the document keeps its content and no temporary file is left beside it.
TEST_F(WindowsPlatform, AtomicReplaceOfAnOpenDocumentFailsCleanly) {
    const fs::path document = dir_ / "style.ghx";
    std::ofstream(document, std::ios::binary) << "old";
    HANDLE holder = CreateFileW(document.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        AtomicFileWriter writer(Utf8(document));
        ASSERT_NE(writer.File(), nullptr);
        std::fputs("new", writer.File());
        EXPECT_FALSE(writer.Commit());
    }
    CloseHandle(holder);
    EXPECT_EQ(ReadFileContents(Utf8(document)), "old");
    std::string names;
    for (const auto& entry : fs::directory_iterator(dir_))
        names += Utf8(entry.path().filename()) + " ";
    EXPECT_EQ(names, "style.ghx ");

    // Once it is closed, the same replacement goes through.
    AtomicFileWriter writer(Utf8(document));
    ASSERT_NE(writer.File(), nullptr);
    std::fputs("new", writer.File());
    EXPECT_TRUE(writer.Commit());
    EXPECT_EQ(ReadFileContents(Utf8(document)), "new");
}

// A file being written is not shared; one being read is shared with readers only.
TEST_F(WindowsPlatform, StreamsShareAsTheirAccessAllows) {
    const std::string name = Utf8(dir_ / "shared.bin");
    std::FILE* writer =
        OpenFileStream(name, FileDisposition::CreateAlways, FileAccess::Write, "wb");
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(OpenFileStream(name, FileDisposition::OpenExisting, FileAccess::Read, "rb"), nullptr);
    std::fclose(writer);
    std::FILE* reader = OpenFileStream(name, FileDisposition::OpenExisting, FileAccess::Read, "rb");
    ASSERT_NE(reader, nullptr);
    std::FILE* second = OpenFileStream(name, FileDisposition::OpenExisting, FileAccess::Read, "rb");
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(OpenFileStream(name, FileDisposition::OpenExisting, FileAccess::Write, "r+b"),
              nullptr);
    if (second != nullptr) std::fclose(second);
    std::fclose(reader);
    // A directory is no file to open.
    EXPECT_EQ(OpenFileStream(Utf8(dir_), FileDisposition::OpenExisting, FileAccess::Read, "rb"),
              nullptr);
    EXPECT_EQ(errno, EISDIR);
}

TEST_F(WindowsPlatform, TemporaryDirectoryAndProgramPaths) {
    const std::string temp = TempDirectory();
    ASSERT_FALSE(temp.empty());
    EXPECT_NE(temp.back(), '\\');
    EXPECT_TRUE(fs::is_directory(FromUtf8(temp)));
    EXPECT_EQ(FromUtf8(ExecutablePath()).extension(), ".exe");
    EXPECT_EQ(LibraryFileName("KVRasterAPI"), "KVRasterAPI.dll");
}

// Progress is drawn on a console only: not into a file, a pipe or the NUL device, which the C
// runtime's isatty takes for a terminal.
TEST_F(WindowsPlatform, StandardErrorIsATerminalOnlyOnAConsole) {
    // Standard error (descriptor 2 and the process's handle both) into NUL, and back.
    const int saved = _dup(2);
    ASSERT_GE(saved, 0);
    ASSERT_NE(std::freopen("NUL", "w", stderr), nullptr);
    const bool on_nul = StandardErrorIsTerminal();
    std::fflush(stderr);
    _dup2(saved, 2);
    _close(saved);
    EXPECT_FALSE(on_nul);
}

// The short date and the time as the user's locale writes them (Wine's default is English, US).
TEST_F(WindowsPlatform, DateAndTimeInTheUsersLocale) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const auto stamp = CurrentLocaleDateTime();
    ASSERT_TRUE(stamp.has_value());
    EXPECT_NE(stamp->date.find(std::to_string(now.wYear)), std::string::npos) << stamp->date;
    EXPECT_NE(stamp->time.find(':'), std::string::npos) << stamp->time;
}

// No local files or other protocols through a document URL.
// The document source's download through WinINet: the whole body, in the sink's pieces, with the
// caller's agent name; a sink that says stop ends the transfer as a failure.
TEST_F(WindowsPlatform, UrlTransferFetchesOverHttpThroughWinInet) {
    std::string body = "<?xml version=\"1.0\"?>\r\n<r>\r\n";
    for (int i = 0; i < 600; ++i) body += "\t<item n=\"" + std::to_string(i) + "\"/>\r\n";
    body += "</r>\r\n";
    const auto ok = [](const std::string& text) {
        return "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
               std::to_string(text.size()) + "\r\nConnection: close\r\n\r\n" + text;
    };
    {
        OneShotServer server(ok(body));
        std::string got;
        int pieces = 0;
        EXPECT_TRUE(TransferUrl(server.Url("/style.ghx"), "XML Library",
                                [&](const char* data, size_t size) {
                                    got.append(data, size);
                                    return ++pieces > 0;
                                }));
        EXPECT_EQ(got, body);
        EXPECT_GT(pieces, 1);
        EXPECT_NE(server.Request().find("GET /style.ghx HTTP/1.1\r\n"), std::string::npos)
            << server.Request();
        EXPECT_NE(server.Request().find("User-Agent: XML Library\r\n"), std::string::npos);
    }
    OneShotServer server(ok(body));
    EXPECT_FALSE(
        TransferUrl(server.Url("/"), "XML Library", [](const char*, size_t) { return false; }));
}

TEST_F(WindowsPlatform, UrlTransferServesOnlyNetworkProtocols) {
    const std::string local = Utf8(dir_ / "doc.xml");
    std::ofstream(FromUtf8(local)) << "<a/>";
    bool delivered = false;
    const auto sink = [&](const char*, size_t) { return delivered = true; };
    EXPECT_FALSE(TransferUrl("file:///" + local, "test", sink));
    EXPECT_FALSE(TransferUrl("gopher://127.0.0.1/", "test", sink));
    EXPECT_FALSE(delivered);
}

}  // namespace

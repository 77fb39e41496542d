// TransferUrl through WinINet: InternetOpenW, InternetOpenUrlW, InternetReadFile,
// InternetCloseHandle.
#include <windows.h>
#include <wininet.h>

#include <cctype>

#include "platform/url_transfer.h"
#include "platform/wide_text_windows.h"

namespace Tarn::Platform {
namespace {

// A transfer that delivers nothing for a minute is abandoned rather than hanging.
constexpr DWORD kStallMilliseconds = 60000;

// The protocols the document source serves: no local files through a URL.
bool ServedScheme(const std::string& url) {
    std::string scheme;
    for (char c : url.substr(0, url.find(':')))
        scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return url.find("://") == scheme.size() &&
           (scheme == "http" || scheme == "https" || scheme == "ftp");
}

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr) InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET Get() const { return handle_; }

private:
    HINTERNET handle_;
};

}  // namespace

bool TransferUrl(const std::string& url, const std::string& agent,
                 const std::function<bool(const char* data, size_t size)>& sink) {
    const std::optional<std::wstring> wide_url = ToWide(url);
    const std::optional<std::wstring> wide_agent = ToWide(agent);
    if (!wide_url || !wide_agent || !ServedScheme(url)) return false;
    const InternetHandle session(
        InternetOpenW(wide_agent->c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (session.Get() == nullptr) return false;
    DWORD timeout = kStallMilliseconds;
    InternetSetOptionW(session.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof timeout);
    InternetSetOptionW(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, &timeout, sizeof timeout);
    const InternetHandle request(InternetOpenUrlW(
        session.Get(), wide_url->c_str(), nullptr, 0,
        INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_UI, 0));
    if (request.Get() == nullptr) return false;
    // As with libcurl, the body of an HTTP error status is delivered too; the XML parser judges it.
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.Get(), buffer, sizeof buffer, &got)) return false;
        if (got == 0) return true;
        try {
            if (!sink(buffer, got)) return false;
        } catch (...) {
            return false;
        }
    }
}

}  // namespace Tarn::Platform

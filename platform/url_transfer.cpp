// TransferUrl through libcurl.
#include "platform/url_transfer.h"

#include <curl/curl.h>

#include <mutex>

namespace Tarn::Platform {
namespace {

// The protocols the document source served before: no local files or mail through a URL.
constexpr char kProtocols[] = "http,https,ftp";
// A transfer slower than a byte per second for a minute is abandoned rather than hanging.
constexpr long kStallSeconds = 60;

using Sink = std::function<bool(const char*, size_t)>;

size_t Deliver(char* data, size_t size, size_t count, void* user) {
    const Sink& sink = *static_cast<const Sink*>(user);
    const size_t total = size * count;
    try {
        return sink(data, total) ? total : 0;
    } catch (...) {
        return 0;  // nothing may unwind through libcurl
    }
}

}  // namespace

bool TransferUrl(const std::string& url, const std::string& agent, const Sink& sink) {
    static std::once_flag curl_ready;
    std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return false;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Deliver);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    const bool complete = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    return complete;
}

}  // namespace Tarn::Platform

// DownloadXml through libcurl.
#include "style/xml_url.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/file_contents.h"
#include "platform/file_system.h"
#include "platform/process_env.h"
#include "platform/temp_file.h"

namespace Tarn::Xml {
namespace {

constexpr char kAgent[] = "XML Library";
constexpr size_t kChunkBytes = 1000;
// The protocols the document source served before: no local files or mail through a URL.
constexpr char kProtocols[] = "http,https,ftp";
// A transfer slower than a byte per second for a minute is abandoned rather than hanging.
constexpr long kStallSeconds = 60;

size_t AppendChunks(char* data, size_t size, size_t count, void* user) {
    std::FILE* file = static_cast<std::FILE*>(user);
    const size_t total = size * count;
    for (size_t done = 0; done < total;) {
        const size_t chunk = std::min(kChunkBytes, total - done);
        if (std::fwrite(data + done, 1, chunk, file) != chunk || std::fflush(file) != 0) return 0;
        done += chunk;
    }
    return total;
}

bool Transfer(CURL* curl, const std::string& url, std::FILE* file) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendChunks);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, file);
    return curl_easy_perform(curl) == CURLE_OK;
}

}  // namespace

std::optional<XmlDownload> DownloadXml(std::string_view url) {
    static std::once_flag curl_ready;
    std::call_once(curl_ready, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    CURL* curl = curl_easy_init();
    if (curl == nullptr) return std::nullopt;
    const std::optional<std::string> temporary =
        Platform::CreateUniqueFile(Platform::CurrentDirectory(), "xml");
    if (!temporary) {
        curl_easy_cleanup(curl);
        return std::nullopt;
    }
    std::FILE* file = std::fopen(temporary->c_str(), "ab");
    bool complete = file != nullptr && Transfer(curl, std::string(url), file);
    if (file != nullptr && std::fclose(file) != 0) complete = false;
    curl_easy_cleanup(curl);

    std::optional<XmlDownload> download;
    if (complete) download = XmlDownload{*temporary, Platform::ReadFileContents(*temporary)};
    Platform::RemoveFile(*temporary);
    return download;
}

}  // namespace Tarn::Xml

// DownloadXml: the platform's URL transfer into a temporary file.
#include "style/xml_url.h"

#include <algorithm>
#include <cstdio>

#include "platform/file_contents.h"
#include "platform/file_stream_io.h"
#include "platform/file_system.h"
#include "platform/process_env.h"
#include "platform/temp_file.h"
#include "platform/url_transfer.h"

namespace Tarn::Xml {
namespace {

constexpr char kAgent[] = "XML Library";
constexpr size_t kChunkBytes = 1000;

bool AppendChunks(std::FILE* file, const char* data, size_t total) {
    for (size_t done = 0; done < total;) {
        const size_t chunk = std::min(kChunkBytes, total - done);
        if (std::fwrite(data + done, 1, chunk, file) != chunk || std::fflush(file) != 0) {
            return false;
        }
        done += chunk;
    }
    return true;
}

}  // namespace

std::optional<XmlDownload> DownloadXml(std::string_view url) {
    const std::optional<std::string> temporary =
        Platform::CreateUniqueFile(Platform::CurrentDirectory(), "xml");
    if (!temporary) return std::nullopt;
    std::FILE* file = Platform::OpenFileStream(*temporary, Platform::FileDisposition::OpenAlways,
                                               Platform::FileAccess::Write, "ab");
    bool complete =
        file != nullptr &&
        Platform::TransferUrl(std::string(url), kAgent, [file](const char* data, size_t size) {
            return AppendChunks(file, data, size);
        });
    if (file != nullptr && std::fclose(file) != 0) complete = false;

    std::optional<XmlDownload> download;
    if (complete) download = XmlDownload{*temporary, Platform::ReadFileContents(*temporary)};
    Platform::RemoveFile(*temporary);
    return download;
}

}  // namespace Tarn::Xml

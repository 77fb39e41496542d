// Fetching a document from a URL: the response goes in chunks into a temporary file "xml..." in
// the current directory, which is read back and always deleted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Tarn::Xml {

struct XmlDownload {
    std::string temporary_path;        // already deleted again
    std::optional<std::string> bytes;  // nothing when the temporary file could not be read
};

// Nothing when the transfer could not be started or did not complete.
std::optional<XmlDownload> DownloadXml(std::string_view url);

}  // namespace Tarn::Xml

// XmlDocument: loading from each source, the default document, and the document-wide checks.
#include "style/xml_document.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/file_contents.h"
#include "platform/file_system.h"
#include "style/xml_parser.h"
#include "style/xml_url.h"
#include "system/text_format.h"
#include "system/utf.h"

namespace Tarn::Xml {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// Progress counts parser steps; a file is estimated to hold one per this many bytes.
constexpr int64_t kBytesPerItem = 110;

unsigned EstimatedItems(const std::string& path) {
    const auto status = Platform::StatPath(path);
    if (!status || status->size <= 0) return 0;
    return static_cast<unsigned>(std::min<int64_t>(status->size / kBytesPerItem, UINT_MAX));
}

// Bytes FF FE ... as UTF-16LE; the byte order mark itself becomes EF BB BF.
std::string Utf16LeToUtf8(std::string_view bytes) {
    std::u16string wide(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return System::WideToUtf8(wide);
}

}  // namespace

const std::string XmlDocument::kDefaultDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

XmlDocument::~XmlDocument() {
    if (!save_on_destroy_) return;
    try {
        Save();
    } catch (...) {
        // A destructor reports nothing; the file keeps its old content.
    }
}

void XmlDocument::Clear() {
    root_.reset();
    prolog_ = XmlProlog{};
    status_ = 0;
    path_.clear();
    wide_path_text_.clear();
    wide_path_ = false;
}

void XmlDocument::DropPath() {
    path_.clear();
    wide_path_text_.clear();
    wide_path_ = false;
}

void XmlDocument::MakeDefault() {
    prolog_ = XmlProlog{kDefaultDeclaration, {}};
    root_ = std::make_unique<XmlElement>(nullptr, "root");
}

bool XmlDocument::Load(std::string_view source, int kind, XmlCodec* decoder, XmlProgress progress,
                       void* user) {
    switch (kind) {
        case kXmlSourceWideFile:
            return Load(System::Utf8ToWide(source), decoder, progress, user);
        case kXmlSourceFile: {
            Clear();
            path_ = std::string(source);
            std::optional<std::string> bytes = Platform::ReadFileContents(path_);
            if (!bytes) {
                MakeDefault();
                return true;
            }
            return LoadContent(std::move(*bytes), decoder, progress, user, EstimatedItems(path_));
        }
        case kXmlSourceText:
            Clear();
            if (source.empty()) {
                MakeDefault();
                return true;
            }
            return LoadContent(std::string(source), decoder, progress, user, 0);
        case kXmlSourceUrl: {
            Clear();
            std::optional<XmlDownload> download = DownloadXml(source);
            if (!download) {
                MakeDefault();
                return true;
            }
            path_ = download->temporary_path;
            if (!download->bytes) {
                MakeDefault();
                return true;
            }
            return LoadContent(std::move(*download->bytes), decoder, progress, user, 0);
        }
        default:
            Clear();
            MakeDefault();
            return true;
    }
}

bool XmlDocument::Load(std::u16string_view wide_path, XmlCodec* decoder, XmlProgress progress,
                       void* user) {
    Clear();
    wide_path_ = true;
    wide_path_text_ = std::u16string(wide_path);
    const std::string path = System::WideToUtf8(wide_path);
    std::optional<std::string> bytes = Platform::ReadFileContents(path);
    if (!bytes) {
        MakeDefault();
        return true;
    }
    return LoadContent(std::move(*bytes), decoder, progress, user, EstimatedItems(path));
}

bool XmlDocument::LoadContent(std::string content, XmlCodec* decoder, XmlProgress progress,
                              void* user, unsigned total) {
    if (decoder != nullptr) {
        std::string decoded(content.size() + 32, '\0');
        const size_t length =
            decoder->Transform(content.data(), content.size(), decoded.data(), content.size());
        decoded.resize(std::min(length, content.size()));
        content = std::move(decoded);
        DropPath();
    }
    if (content.size() >= 2 && content[0] == '\xFF' && content[1] == '\xFE') {
        content = Utf16LeToUtf8(content);
    }
    // The text ends at its first zero byte, as everything behind it is unreachable.
    content.resize(std::strlen(content.c_str()));

    std::string_view body = content;
    const size_t declaration_end = content.find("?>");
    if (declaration_end == std::string::npos) {
        DropPath();
        status_ = 1;
        prolog_.declaration = std::string(kUtf8Bom) + kDefaultDeclaration;
    } else {
        prolog_.declaration = content.substr(0, declaration_end + 2);
        body.remove_prefix(declaration_end + 2);
    }

    const size_t first_tag = body.find('<');
    if (first_tag == std::string_view::npos) {
        DropPath();
        status_ = 1;
        root_ = std::make_unique<XmlElement>(nullptr, "root");
        return true;
    }
    root_ = ParseXmlContent(body.substr(first_tag), prolog_, {progress, user, total});
    if (!root_) {
        // Saving a document that failed to parse would replace the file with an empty one.
        DropPath();
        return false;
    }
    return true;
}

void XmlDocument::SetEncoding(std::string_view name) {
    prolog_.declaration = System::FormatString(
        "<?xml version=\"1.0\" encoding=\"%s\" standalone=\"yes\" ?>", std::string(name));
}

bool XmlDocument::Validate() const {
    return !prolog_.declaration.empty() && root_ && root_->Validate();
}

void XmlDocument::Compact() {
    if (root_) root_->Compact();
    prolog_.comments.shrink_to_fit();
}

}  // namespace Tarn::Xml

// XmlDocument: one XML document in memory (prolog and element tree) with the file it was loaded
// from and is saved to. Load takes a file, text in memory or a URL; Save writes the library's
// fixed layout with CR LF line ends.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "style/xml_codec.h"
#include "style/xml_element.h"

namespace Tarn::Xml {

struct XmlTarget;

// What Load reads. Any other number gives the default document.
enum XmlSourceKind : int {
    kXmlSourceFile = 0,      // a narrow (UTF-8) file path
    kXmlSourceText = 1,      // the XML text itself
    kXmlSourceUrl = 2,       // fetched with libcurl
    kXmlSourceWideFile = 7,  // a wide (UTF-16) file path
};

// Called during parsing with (user, fraction done, items so far, estimated total); 0 cancels.
using XmlProgress = int (*)(void* user, float fraction, unsigned items, unsigned total);

struct XmlPrologComment {
    enum Placement : int { kBeforeRoot = 0, kAfterRoot = 1 };
    std::string text;  // without "<!--" and "-->"
    int placement = kBeforeRoot;
};

// The declaration and the comments outside the root element.
struct XmlProlog {
    std::string declaration;  // "<?" to "?>" inclusive
    std::vector<XmlPrologComment> comments;
};

class XmlDocument {
public:
    // "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>"
    static const std::string kDefaultDeclaration;

    XmlDocument() = default;
    ~XmlDocument();  // saves first when SaveOnDestroy is set; never throws
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Replaces the whole content. False only when parsing failed or the progress callback
    // cancelled; the document then holds the prolog and no root. A missing or unreadable file
    // gives the default document (an empty root named "root") keeping the path, so that Save
    // creates the file.
    bool Load(std::string_view source, int kind, XmlCodec* decoder = nullptr,
              XmlProgress progress = nullptr, void* user = nullptr);
    bool Load(std::u16string_view wide_path, XmlCodec* decoder = nullptr,
              XmlProgress progress = nullptr, void* user = nullptr);

    // Writes the document over its own file (through a temporary file renamed over it, keeping
    // the file's permissions). False without a path or a root, or when writing failed.
    bool Save();
    // Writes the prolog and the tree through `encoder` to a narrow file or memory target.
    bool WriteEncoded(const XmlTarget& target, XmlCodec& encoder) const;
    // The declaration becomes the standard one naming this encoding.
    void SetEncoding(std::string_view name);

    // 0 after a normal load; 1 when the content had no declaration or no element and defaults
    // were supplied.
    int Status() const { return status_; }
    bool HasPath() const { return wide_path_ ? !wide_path_text_.empty() : !path_.empty(); }
    bool IsWidePath() const { return wide_path_; }
    const std::string& Path() const { return path_; }
    const std::u16string& WidePath() const { return wide_path_text_; }

    XmlProlog& Prolog() { return prolog_; }
    const XmlProlog& Prolog() const { return prolog_; }
    XmlElement* Root() { return root_.get(); }
    const XmlElement* Root() const { return root_.get(); }

    bool SaveOnDestroy() const { return save_on_destroy_; }
    void SetSaveOnDestroy(bool save) { save_on_destroy_ = save; }

    // A declaration and a root whose subtree validates.
    bool Validate() const;
    // Trims the lists of the tree and of the prolog.
    void Compact();

private:
    void Clear();
    void DropPath();
    void MakeDefault();
    bool LoadContent(std::string content, XmlCodec* decoder, XmlProgress progress, void* user,
                     unsigned total);

    int status_ = 0;
    std::string path_;
    std::u16string wide_path_text_;
    bool wide_path_ = false;
    XmlProlog prolog_;
    std::unique_ptr<XmlElement> root_;
    bool save_on_destroy_ = false;
};

}  // namespace Tarn::Xml

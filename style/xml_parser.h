// The content parser: turns the body of a document (behind its declaration) into the root
// element, in place over the loaded text. End tags are matched by counting tags, never by name.
#pragma once

#include <memory>
#include <string_view>

#include "style/xml_document.h"
#include "style/xml_element.h"

namespace Tarn::Xml {

// Nesting deeper than this fails the load: far beyond any real document, and the writer and
// the tree's destruction recurse once per level.
constexpr unsigned kXmlMaxDepth = 1000;

struct XmlProgressSink {
    XmlProgress callback = nullptr;
    void* user = nullptr;
    unsigned total = 0;  // estimated items; 0 turns reporting off
};

// The root element of `body`, or null when a start tag has no matching end tag or a name that
// could not be written back as it was read, nesting is too deep, no element was found, or the
// progress callback cancelled. Comments outside all elements go to `prolog`.
std::unique_ptr<XmlElement> ParseXmlContent(std::string_view body, XmlProlog& prolog,
                                            const XmlProgressSink& progress);

}  // namespace Tarn::Xml

// The writer's targets and the element and prolog writers: one fixed layout (tab or space
// indentation, CR LF line ends) for a narrow file, memory or a UTF-16 file, or the tree mapped
// onto registry keys and values. Everything is written in stored form.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <utility>

#include "style/xml_document.h"
#include "style/xml_element.h"

namespace Tarn::Platform {
class RegistryEditor;
}

namespace Tarn::Xml {

enum class XmlTargetKind : int { NarrowFile = 0, Memory = 1, Registry = 2, Utf16File = 3 };

struct XmlTarget {
    XmlTargetKind kind = XmlTargetKind::Memory;
    std::FILE* file = nullptr;                     // NarrowFile, Utf16File
    std::string* memory = nullptr;                 // Memory: the text is appended
    Platform::RegistryEditor* registry = nullptr;  // Registry
    std::string key = {};                          // Registry: the key the tree goes below

    static XmlTarget NarrowFile(std::FILE* file) {
        return {.kind = XmlTargetKind::NarrowFile, .file = file};
    }
    // UTF-16LE without a byte order mark.
    static XmlTarget Utf16File(std::FILE* file) {
        return {.kind = XmlTargetKind::Utf16File, .file = file};
    }
    static XmlTarget Memory(std::string& text) {
        return {.kind = XmlTargetKind::Memory, .memory = &text};
    }
    static XmlTarget Registry(Platform::RegistryEditor& editor, std::string key) {
        return {.kind = XmlTargetKind::Registry, .registry = &editor, .key = std::move(key)};
    }
};

// Writes the element and its subtree at `depth` levels of indentation. In the registry, each
// element becomes a key "E<index among its parent's children><name>", each attribute a value
// "V<name>", comments values "C0", "C1"..., texts and CDATA sections values "D0", "D1"...
void WriteElement(const XmlTarget& target, const XmlElement& element, unsigned depth);

// Placement 0 writes the declaration, then the comments of that placement. Nothing goes to the
// registry.
void WritePrologPart(const XmlTarget& target, const XmlProlog& prolog, int placement);

// Room the layout of an element is expected to take: a buffer size hint, not a bound.
size_t EstimateSize(const XmlElement& element);

}  // namespace Tarn::Xml

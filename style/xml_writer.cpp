// WriteElement, WritePrologPart and EstimateSize. The text layout is assembled in one buffer and
// handed to the target in whole pieces, so a UTF-16 target never sees a split UTF-8 sequence.
#include "style/xml_writer.h"

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "platform/registry_files.h"
#include "system/text_format.h"
#include "system/utf.h"

namespace Tarn::Xml {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kFlushBytes = 1 << 16;

void Emit(const XmlTarget& target, std::string_view text) {
    switch (target.kind) {
        case XmlTargetKind::NarrowFile:
            if (target.file != nullptr) std::fwrite(text.data(), 1, text.size(), target.file);
            break;
        case XmlTargetKind::Memory:
            if (target.memory != nullptr) target.memory->append(text);
            break;
        case XmlTargetKind::Utf16File: {
            if (target.file == nullptr) break;
            const std::u16string wide = System::Utf8ToWide(text);
            std::string bytes;
            bytes.reserve(wide.size() * 2);
            for (const char16_t unit : wide) {
                bytes += static_cast<char>(unit & 0xFF);
                bytes += static_cast<char>(unit >> 8);
            }
            std::fwrite(bytes.data(), 1, bytes.size(), target.file);
            break;
        }
        case XmlTargetKind::Registry:
            break;
    }
}

// The comments, texts or CDATA sections of an element in the order the writer takes them: by
// position, and in list order at one position. Lists a parser built are in that order already.
template <typename List>
class PositionCursor {
public:
    explicit PositionCursor(const List& list) : list_(list) {
        const auto by_position = [](const XmlCharData& a, const XmlCharData& b) {
            return a.position < b.position;
        };
        if (std::is_sorted(list.begin(), list.end(), by_position)) return;
        order_.resize(list.size());
        std::iota(order_.begin(), order_.end(), size_t{0});
        std::stable_sort(order_.begin(), order_.end(),
                         [&](size_t a, size_t b) { return list[a].position < list[b].position; });
    }

    // The next unwritten node whose position is at most `limit`.
    const XmlCharData* Next(size_t limit = SIZE_MAX) {
        if (next_ >= list_.size()) return nullptr;
        const XmlCharData& node = order_.empty() ? list_[next_] : list_[order_[next_]];
        if (node.position > limit) return nullptr;
        ++next_;
        return &node;
    }

private:
    const List& list_;
    std::vector<size_t> order_;
    size_t next_ = 0;
};

class LayoutWriter {
public:
    explicit LayoutWriter(const XmlTarget& target)
        : target_(target),
          out_(target.kind == XmlTargetKind::Memory && target.memory != nullptr ? *target.memory
                                                                                : buffer_) {}
    ~LayoutWriter() { Flush(); }
    LayoutWriter(const LayoutWriter&) = delete;
    LayoutWriter& operator=(const LayoutWriter&) = delete;

    void Element(const XmlElement& element, unsigned depth);
    void Prolog(const XmlProlog& prolog, int placement);

private:
    enum class NodeKind { Comment, Text, CData };

    // Deeper lines keep the indentation of this level: indenting each to its depth would make
    // a deeply nested document grow by its depth times its lines on every save.
    static constexpr unsigned kMaxIndentLevels = 16;

    void Indent(const XmlElement& element, unsigned levels) {
        const XmlFormat format = element.Format();
        out_.append(static_cast<size_t>(format.indent_width) * std::min(levels, kMaxIndentLevels),
                    format.indent_with_spaces ? ' ' : '\t');
    }
    void EndLine() {
        out_ += kLineEnd;
        if (&out_ == &buffer_ && buffer_.size() >= kFlushBytes) Flush();
    }
    void Flush() {
        if (&out_ != &buffer_ || buffer_.empty()) return;
        Emit(target_, buffer_);
        buffer_.clear();
    }
    void Node(const XmlElement& owner, unsigned depth, NodeKind kind, const XmlCharData& node);

    const XmlTarget& target_;
    std::string buffer_;
    std::string& out_;
};

void LayoutWriter::Node(const XmlElement& owner, unsigned depth, NodeKind kind,
                        const XmlCharData& node) {
    switch (kind) {
        case NodeKind::Comment:
            Indent(owner, depth);
            out_ += "<!--";
            out_ += node.text;
            out_ += "-->";
            EndLine();
            break;
        case NodeKind::Text:
            if (owner.Format().inline_text) {
                out_ += node.text;
            } else {
                Indent(owner, depth);
                out_ += node.text;
                EndLine();
            }
            break;
        case NodeKind::CData:
            Indent(owner, depth);
            out_ += "<![CDATA[";
            out_ += node.text;
            out_ += "]]>";
            EndLine();
            break;
    }
}

void LayoutWriter::Element(const XmlElement& element, unsigned depth) {
    Indent(element, depth);
    out_ += '<';
    out_ += element.Name();
    for (const auto& attribute : element.Attributes()) {
        out_ += ' ';
        out_ += attribute->Name();
        out_ += "=\"";
        out_ += attribute->StoredValue();
        out_ += '"';
    }
    const auto& children = element.Children();
    const bool has_others =
        !children.empty() || !element.Comments().empty() || !element.CData().empty();
    if (!has_others && element.Texts().empty()) {
        out_ += "/>";
        EndLine();
        return;
    }
    // An element holding texts only may stand on one line: start tag, text, end tag.
    const bool one_line = element.Format().inline_text && !has_others;
    out_ += '>';
    if (!one_line) EndLine();

    PositionCursor comments(element.Comments());
    PositionCursor texts(element.Texts());
    PositionCursor cdata(element.CData());
    for (size_t i = 0; i < children.size(); ++i) {
        while (const XmlCharData* node = comments.Next(i)) {
            Node(element, depth + 1, NodeKind::Comment, *node);
        }
        while (const XmlCharData* node = texts.Next(i)) {
            Node(element, depth + 1, NodeKind::Text, *node);
        }
        while (const XmlCharData* node = cdata.Next(i)) {
            Node(element, depth + 1, NodeKind::CData, *node);
        }
        Element(*children[i], depth + 1);
    }
    while (const XmlCharData* node = comments.Next()) {
        Node(element, depth + 1, NodeKind::Comment, *node);
    }
    while (const XmlCharData* node = cdata.Next()) {
        Node(element, depth + 1, NodeKind::CData, *node);
    }
    while (const XmlCharData* node = texts.Next()) {
        Node(element, depth + 1, NodeKind::Text, *node);
    }

    if (!one_line) Indent(element, depth);
    out_ += "</";
    out_ += element.Name();
    out_ += '>';
    EndLine();
}

void LayoutWriter::Prolog(const XmlProlog& prolog, int placement) {
    if (placement == XmlPrologComment::kBeforeRoot) {
        out_ += prolog.declaration;
        EndLine();
    }
    for (const XmlPrologComment& comment : prolog.comments) {
        if (comment.placement != placement) continue;
        out_ += "<!--";
        out_ += comment.text;
        out_ += "-->";
        EndLine();
    }
}

std::string JoinKey(const std::string& parent, size_t index, const std::string& name) {
    std::string key = parent;
    if (!key.empty() && key.back() != '\\') key += '\\';
    key += 'E';
    key += std::to_string(index);
    key += name;
    return key;
}

void WriteRegistryElement(Platform::RegistryEditor& registry, const std::string& parent_key,
                          const XmlElement& element, size_t index) {
    const std::string key = JoinKey(parent_key, index, element.Name());
    registry.CreateKey(key);
    for (const auto& attribute : element.Attributes()) {
        registry.SetString(key, "V" + attribute->Name(), attribute->StoredValue());
    }
    unsigned count = 0;
    for (const XmlCharData& comment : element.Comments()) {
        registry.SetString(key, System::FormatString("C%u", count++), comment.text);
    }
    // Texts and CDATA sections share one count, so that neither overwrites the other.
    count = 0;
    for (const XmlCharData& text : element.Texts()) {
        registry.SetString(key, System::FormatString("D%u", count++), text.text);
    }
    for (const XmlCharData& cdata : element.CData()) {
        registry.SetString(key, System::FormatString("D%u", count++), cdata.text);
    }
    const auto& children = element.Children();
    for (size_t i = 0; i < children.size(); ++i) {
        WriteRegistryElement(registry, key, *children[i], i);
    }
}

size_t IndexAmongSiblings(const XmlElement& element) {
    if (element.Parent() == nullptr) return 0;
    const auto& siblings = element.Parent()->Children();
    for (size_t i = 0; i < siblings.size(); ++i) {
        if (siblings[i].get() == &element) return i;
    }
    return 0;
}

}  // namespace

void WriteElement(const XmlTarget& target, const XmlElement& element, unsigned depth) {
    if (target.kind == XmlTargetKind::Registry) {
        if (target.registry != nullptr) {
            WriteRegistryElement(*target.registry, target.key, element,
                                 IndexAmongSiblings(element));
        }
        return;
    }
    LayoutWriter(target).Element(element, depth);
}

void WritePrologPart(const XmlTarget& target, const XmlProlog& prolog, int placement) {
    if (target.kind == XmlTargetKind::Registry) return;
    LayoutWriter(target).Prolog(prolog, placement);
}

size_t EstimateSize(const XmlElement& element) {
    size_t size = 152 + element.Name().size();
    for (const auto& attribute : element.Attributes()) {
        size += attribute->Name().size() + attribute->StoredValue().size() + 24;
    }
    const auto nodes = [](const auto& list) {
        size_t total = 0;
        for (const XmlCharData& node : list) total += node.text.size() + 24;
        return total;
    };
    size += nodes(element.Comments()) + nodes(element.Texts()) + nodes(element.CData());
    size += 4 * (element.Children().capacity() + element.Attributes().capacity() +
                 element.Comments().capacity() + element.Texts().capacity() +
                 element.CData().capacity());
    for (const auto& child : element.Children()) size += EstimateSize(*child);
    return size;
}

}  // namespace Tarn::Xml

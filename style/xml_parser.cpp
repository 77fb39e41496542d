// The content parser. One pass parses the content of one parent element; a start tag's content
// is bounded by its matching end tag, found by counting start and end tags, and parsed by a
// nested pass. All pieces are views into the one loaded text until they are stored.
#include "style/xml_parser.h"

#include <algorithm>

namespace Tarn::Xml {
namespace {

constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCDataOpen = "<![CDATA[";
constexpr std::string_view kCDataClose = "]]>";
constexpr size_t kNone = std::string_view::npos;

enum class Markup { Comment, CData, Declaration, EndTag, StartTag };

class ContentParser {
public:
    ContentParser(std::string_view text, XmlProlog& prolog, const XmlProgressSink& progress)
        : text_(text), prolog_(prolog), progress_(progress) {}

    // Parses text_[begin, end) as the content of `parent` (none for the top level), nested
    // `depth` elements deep. False stops the whole parse. The top-level pass hands its result
    // out through `top`.
    bool Pass(size_t begin, size_t end, XmlElement* parent, unsigned depth,
              std::unique_ptr<XmlElement>* top);

private:
    size_t Find(char c, size_t from, size_t end) const {
        return from >= end ? kNone : text_.substr(0, end).find(c, from);
    }
    Markup Classify(size_t lt, size_t end) const;
    size_t MarkupEnd(Markup kind, size_t lt, size_t end) const;
    size_t MatchingEndTag(size_t from, size_t end, unsigned depth) const;
    void AddText(XmlElement* parent, size_t begin, size_t end) const;
    bool Tick();

    std::string_view text_;
    XmlProlog& prolog_;
    const XmlProgressSink& progress_;
    unsigned items_ = 0;
    bool seen_start_tag_ = false;
};

Markup ContentParser::Classify(size_t lt, size_t end) const {
    const std::string_view at = text_.substr(lt, end - lt);
    if (at.starts_with(kCommentOpen)) return Markup::Comment;
    if (at.starts_with(kCDataOpen)) return Markup::CData;
    if (at.size() < 2) return Markup::StartTag;
    switch (at[1]) {
        case '?':
            return Markup::Comment;  // processing instructions are kept among comments
        case '!':
            return Markup::Declaration;
        case '/':
            return Markup::EndTag;
        default:
            return Markup::StartTag;
    }
}

// Index of the ">" that closes the markup at `lt`: the first one behind it, for CDATA the one of
// the first "]]>".
size_t ContentParser::MarkupEnd(Markup kind, size_t lt, size_t end) const {
    if (kind != Markup::CData) return Find('>', lt + 1, end);
    const size_t close =
        text_.substr(0, end).find(kCDataClose, std::min(end, lt + kCDataOpen.size()));
    return close == kNone ? kNone : close + kCDataClose.size() - 1;
}

// The "<" of the end tag matching a start tag whose content begins at `from`, or kNone. A "/"
// outside double quotes makes a start tag empty; ">" ends a tag even inside quotes. `depth` is the
// nesting level of the start tag: counting beyond the limit gives up early, so that a deeply
// nested document fails in one scan.
size_t ContentParser::MatchingEndTag(size_t from, size_t end, unsigned depth) const {
    unsigned open = 1;
    size_t at = from;
    while (true) {
        const size_t lt = Find('<', at, end);
        if (lt == kNone) return kNone;
        const Markup kind = Classify(lt, end);
        if (kind == Markup::StartTag) {
            bool quoted = false;
            bool empty = false;
            size_t gt = lt + 1;
            for (; gt < end && text_[gt] != '>'; ++gt) {
                if (text_[gt] == '"') {
                    quoted = !quoted;
                } else if (text_[gt] == '/' && !quoted) {
                    empty = true;
                }
            }
            if (gt >= end) return kNone;
            if (!empty && depth + open++ > kXmlMaxDepth) return kNone;
            at = gt + 1;
            continue;
        }
        const size_t gt = MarkupEnd(kind, lt, end);
        if (gt == kNone) return kNone;
        if (kind == Markup::EndTag && --open == 0) return lt;
        at = gt + 1;
    }
}

// Whitespace-only text adds nothing; text outside all elements is dropped.
void ContentParser::AddText(XmlElement* parent, size_t begin, size_t end) const {
    if (parent == nullptr || begin >= end) return;
    std::string_view text = text_.substr(begin, end - begin);
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty()) parent->AppendStoredText(text);
}

bool ContentParser::Tick() {
    ++items_;
    if (progress_.callback == nullptr || progress_.total == 0 || items_ % 10 != 0) return true;
    const float fraction =
        std::min(1.0f, static_cast<float>(items_) / static_cast<float>(progress_.total));
    return progress_.callback(progress_.user, fraction, items_, progress_.total) != 0;
}

bool ContentParser::Pass(size_t begin, size_t end, XmlElement* parent, unsigned depth,
                         std::unique_ptr<XmlElement>* top) {
    // The pass's result, and the same while it is not yet one of the parent's children. At the
    // top level several elements compete: the last one with content wins, else the first empty.
    XmlElement* result = nullptr;
    std::unique_ptr<XmlElement> pending;
    size_t at = begin;
    while (true) {
        if (!Tick()) return false;
        const size_t lt = Find('<', at, end);
        if (lt == kNone) {
            AddText(parent, at, end);
            break;
        }
        AddText(parent, at, lt);
        const Markup kind = Classify(lt, end);
        const size_t gt = MarkupEnd(kind, lt, end);
        if (gt == kNone) break;  // unterminated markup: the rest is ignored
        const std::string_view markup = text_.substr(lt, gt - lt);

        switch (kind) {
            case Markup::Comment: {
                // Between "<!--" (or "<?xy") and the two characters before ">".
                const std::string_view body =
                    markup.size() >= 6 ? markup.substr(4, markup.size() - 6) : std::string_view();
                if (parent != nullptr) {
                    parent->AppendComment(body);
                } else {
                    prolog_.comments.push_back(
                        {std::string(body), seen_start_tag_ ? XmlPrologComment::kAfterRoot
                                                            : XmlPrologComment::kBeforeRoot});
                }
                break;
            }
            case Markup::CData:
                if (parent != nullptr) {
                    parent->AppendCData(markup.substr(
                        kCDataOpen.size(),
                        markup.size() - kCDataOpen.size() - (kCDataClose.size() - 1)));
                }
                break;
            case Markup::Declaration:  // document type declarations are not kept
                break;
            case Markup::EndTag:
                if (parent != nullptr && pending) parent->AdoptChild(std::move(pending));
                break;
            case Markup::StartTag: {
                seen_start_tag_ = true;
                const std::string_view tag = text_.substr(lt, gt + 1 - lt);
                if (text_[gt - 1] == '/') {
                    auto element = std::make_unique<XmlElement>(parent, tag);
                    if (element->Name().empty()) return false;
                    if (parent != nullptr) {
                        XmlElement* child = parent->AdoptChild(std::move(element));
                        if (result == nullptr) result = child;
                    } else if (result == nullptr) {
                        pending = std::move(element);
                        result = pending.get();
                    }
                    break;
                }
                if (depth + 1 > kXmlMaxDepth) return false;
                const size_t match = MatchingEndTag(gt + 1, end, depth + 1);
                if (match == kNone) return false;
                auto element = std::make_unique<XmlElement>(parent, tag);
                // A nameless element could not be written back: "<</>" would save as "</>".
                if (element->Name().empty()) return false;
                if (!Pass(gt + 1, match, element.get(), depth + 1, nullptr)) return false;
                pending = std::move(element);
                result = pending.get();
                at = match;  // the end tag appends the element to the parent
                continue;
            }
        }
        at = gt + 1;
    }
    if (top != nullptr) *top = std::move(pending);
    return true;
}

}  // namespace

std::unique_ptr<XmlElement> ParseXmlContent(std::string_view body, XmlProlog& prolog,
                                            const XmlProgressSink& progress) {
    ContentParser parser(body, prolog, progress);
    std::unique_ptr<XmlElement> root;
    if (!parser.Pass(0, body.size(), nullptr, 0, &root)) return nullptr;
    return root;
}

}  // namespace Tarn::Xml

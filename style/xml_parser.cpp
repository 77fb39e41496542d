// The content parser: one pass over the text, with the elements still open on a stack; an end
// tag closes the innermost one, whatever its name. All pieces are views into the one loaded
// text until they are stored.
#include "style/xml_parser.h"

#include <algorithm>
#include <vector>

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

    // Parses the whole text in one pass; false when the document cannot be loaded. The root
    // goes to `top`.
    bool Parse(std::unique_ptr<XmlElement>& top);

private:
    size_t Find(char c, size_t from, size_t end) const {
        return from >= end ? kNone : text_.substr(0, end).find(c, from);
    }
    Markup Classify(size_t lt, size_t end) const;
    size_t MarkupEnd(Markup kind, size_t lt, size_t end) const;
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

bool ContentParser::Parse(std::unique_ptr<XmlElement>& top) {
    // The elements whose end tag is still to come, outermost first. An element joins its parent
    // at its end tag, so the parent's texts and comments before it keep their places.
    std::vector<std::unique_ptr<XmlElement>> open;
    // The result, and the same while it is held here. At the top level several elements
    // compete: the last one with content wins, else the first empty one.
    XmlElement* result = nullptr;
    std::unique_ptr<XmlElement> pending;
    const size_t end = text_.size();
    size_t at = 0;
    while (true) {
        if (!Tick()) return false;
        XmlElement* parent = open.empty() ? nullptr : open.back().get();
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
            case Markup::EndTag: {
                if (open.empty()) break;  // a stray end tag at the top level
                std::unique_ptr<XmlElement> element = std::move(open.back());
                open.pop_back();
                if (!open.empty()) {
                    open.back()->AdoptChild(std::move(element));
                } else {
                    pending = std::move(element);
                    result = pending.get();
                }
                break;
            }
            case Markup::StartTag: {
                seen_start_tag_ = true;
                auto element = std::make_unique<XmlElement>(parent, text_.substr(lt, gt + 1 - lt));
                // An element the writer could not write back as one: "<</>" would save as
                // "</>", "<<?x?>" as a processing instruction, "<<!x>" as a declaration. A name
                // is escaped as it is read ("&" and "'" become references), so one holding
                // either would grow by an escape on every load and save.
                const std::string& name = element->Name();
                if (name.empty() || name.front() == '?' || name.front() == '!' ||
                    name.find('&') != std::string::npos) {
                    return false;
                }
                if (text_[gt - 1] != '/') {
                    if (open.size() >= kXmlMaxDepth) return false;
                    open.push_back(std::move(element));
                } else if (parent != nullptr) {
                    parent->AdoptChild(std::move(element));
                } else if (result == nullptr) {
                    pending = std::move(element);
                    result = pending.get();
                }
                break;
            }
        }
        at = gt + 1;
    }
    if (!open.empty()) return false;  // a start tag without its end tag
    top = std::move(pending);
    return true;
}

}  // namespace

std::unique_ptr<XmlElement> ParseXmlContent(std::string_view body, XmlProlog& prolog,
                                            const XmlProgressSink& progress) {
    ContentParser parser(body, prolog, progress);
    std::unique_ptr<XmlElement> root;
    if (!parser.Parse(root)) return nullptr;
    return root;
}

}  // namespace Tarn::Xml

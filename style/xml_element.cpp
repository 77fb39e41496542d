// XmlElement and XmlAttribute: building from a start tag, lookups, texts, format, checks.
#include "style/xml_element.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "style/xml_escape.h"
#include "system/text_format.h"

namespace Tarn::Xml {
namespace {

void TrimTrailingSpaces(std::string& s) {
    size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    s.resize(n);
}

// Most stored names hold no reference, so they compare without unescaping.
bool StoredEquals(const std::string& stored, std::string_view plain) {
    if (stored.find('&') == std::string::npos) return stored == plain;
    return XmlUnescape(stored) == plain;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

XmlAttribute::XmlAttribute(XmlElement* owner, std::string_view name, std::string_view value,
                           bool stored)
    : owner_(owner) {
    SetName(name, stored);
    SetValue(value, stored);
}

std::string XmlAttribute::Value() const {
    return XmlUnescape(value_);
}

int XmlAttribute::IntValue() const {
    const std::string text = Value();
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        // Saturate instead of overflowing; the value is clamped below anyway.
        if (magnitude <= int64_t{INT_MAX} + 1) magnitude = magnitude * 10 + (text[i] - '0');
    }
    const int64_t value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

void XmlAttribute::SetName(std::string_view text, bool stored) {
    name_ = stored ? std::string(text) : XmlEscape(text);
    TrimTrailingSpaces(name_);
}

void XmlAttribute::SetValue(std::string_view text, bool stored) {
    value_ = stored ? std::string(text) : XmlEscape(text);
}

XmlElement::XmlElement(XmlElement* parent, std::string_view tag) : parent_(parent) {
    ParseTag(tag);
}

// Out of line so that destroying a deep tree does not inline itself into every caller.
XmlElement::~XmlElement() = default;

// The name runs to the first tab, space, double quote, "/" or ">" ("<" is skipped; a line break
// stays part of it). Then name="value" pairs: only double quotes delimit a value, and a pair
// without "=" or without both quotes ends the list. Names and values are already stored form.
void XmlElement::ParseTag(std::string_view tag) {
    tag = tag.substr(0, tag.find('\0'));
    size_t i = 0;
    std::string name;
    for (; i < tag.size(); ++i) {
        const char c = tag[i];
        if (c == '\t' || c == ' ' || c == '"' || c == '/' || c == '>') break;
        if (c != '<') name += c;
    }
    name_ = XmlEscape(name);

    while (true) {
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t')) ++i;
        if (i >= tag.size() || tag[i] == '>' || tag[i] == '/') break;
        const size_t equals = tag.find('=', i);
        if (equals == std::string_view::npos) break;
        const size_t open = tag.find('"', equals + 1);
        if (open == std::string_view::npos) break;
        const size_t close = tag.find('"', open + 1);
        if (close == std::string_view::npos) break;
        attributes_.push_back(std::make_unique<XmlAttribute>(
            this, tag.substr(i, equals - i), tag.substr(open + 1, close - open - 1), true));
        i = close + 1;
    }
}

XmlFormat XmlElement::Format() const {
    return XmlFormat{indent_with_spaces_, indent_width_, inline_text_};
}

XmlElement* XmlElement::Child(std::string_view name, bool create) {
    for (const auto& child : children_) {
        if (StoredEquals(child->name_, name)) return child.get();
    }
    return create ? AppendChild(name) : nullptr;
}

XmlAttribute* XmlElement::Attribute(std::string_view name, bool create) {
    for (const auto& attribute : attributes_) {
        if (StoredEquals(attribute->Name(), name)) return attribute.get();
    }
    if (!create) return nullptr;
    return attributes_.push_back(std::make_unique<XmlAttribute>(this, name, "", false)).get();
}

XmlElement* XmlElement::AppendChild(std::string_view name) {
    return AdoptChild(std::make_unique<XmlElement>(this, name));
}

XmlElement* XmlElement::AdoptChild(std::unique_ptr<XmlElement> child) {
    child->parent_ = this;
    return children_.push_back(std::move(child)).get();
}

XmlCharData XmlElement::MakeCharData(std::string text, unsigned position) {
    return XmlCharData{this, std::move(text), position};
}

void XmlElement::AddText(std::string_view text) {
    texts_.push_back(MakeCharData(XmlEscape(text), 0));
}

void XmlElement::SetText(std::string_view text) {
    if (texts_.empty()) {
        AddText(text);
    } else {
        texts_.front().text = XmlEscape(text);
    }
}

std::string XmlElement::Text() const {
    return texts_.empty() ? std::string() : XmlUnescape(texts_.front().text);
}

void XmlElement::SetElementName(std::string_view name) {
    name_ = XmlEscape(name);
}

void XmlElement::AppendStoredText(std::string_view text) {
    texts_.push_back(MakeCharData(std::string(text), static_cast<unsigned>(children_.size())));
}

void XmlElement::AppendComment(std::string_view text) {
    comments_.push_back(MakeCharData(std::string(text), static_cast<unsigned>(children_.size())));
}

void XmlElement::AppendCData(std::string_view text) {
    cdata_.push_back(MakeCharData(std::string(text), static_cast<unsigned>(children_.size())));
}

void XmlElement::ApplyFormat(const XmlFormat& format) {
    indent_with_spaces_ = format.indent_with_spaces;
    indent_width_ = std::clamp(format.indent_width, 0, XmlFormat::kMaxIndentWidth);
    inline_text_ = format.inline_text;
    for (const auto& child : children_) child->ApplyFormat(format);
}

void XmlElement::Compact() {
    children_.Compact();
    attributes_.Compact();
    comments_.Compact();
    for (const auto& child : children_) child->Compact();
}

bool XmlElement::Validate() const {
    for (const auto& attribute : attributes_) {
        if (!attribute || attribute->Owner() != this) return false;
    }
    const auto owned = [this](const XmlCharData& node) { return node.owner == this; };
    if (!std::all_of(comments_.begin(), comments_.end(), owned) ||
        !std::all_of(texts_.begin(), texts_.end(), owned) ||
        !std::all_of(cdata_.begin(), cdata_.end(), owned)) {
        return false;
    }
    for (const auto& child : children_) {
        if (!child || child->parent_ != this || !child->Validate()) return false;
    }
    return true;
}

XmlAttribute* SetIntAttribute(XmlElement& element, std::string_view name, int value) {
    XmlAttribute* attribute = element.Attribute(name, true);
    attribute->SetValue(System::FormatString("%d", value), false);
    return attribute;
}

XmlAttribute* SetValueAttribute(XmlElement& element, double value) {
    XmlAttribute* attribute = element.Attribute("value", true);
    attribute->SetValue(System::FormatString("%.15g", value), false);
    return attribute;
}

}  // namespace Tarn::Xml

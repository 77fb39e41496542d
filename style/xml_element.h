// The element tree of an XML document: elements, attributes, and the comments, texts and CDATA
// sections of an element with their positions among its children. Names, attribute values and
// texts are held in stored (escaped) form, exactly as a file spells them.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "style/xml_list.h"

namespace Tarn::Xml {

class XmlElement;

// How the writer lays an element out.
struct XmlFormat {
    bool indent_with_spaces = false;
    int indent_width = 1;  // characters per level, at most kMaxIndentWidth
    bool inline_text = false;

    static constexpr int kMaxIndentWidth = 50;
};

// A comment, text or CDATA section. `position` is the owner's child count when the node was
// added: the writer puts it before the child with that index, or behind the last child.
struct XmlCharData {
    XmlElement* owner = nullptr;
    std::string text;
    unsigned position = 0;
};

class XmlAttribute {
public:
    XmlAttribute(XmlElement* owner, std::string_view name, std::string_view value, bool stored);

    XmlElement* Owner() const { return owner_; }
    const std::string& Name() const { return name_; }          // stored form
    const std::string& StoredValue() const { return value_; }  // stored form
    std::string Value() const;                                 // unescaped
    // The unescaped value read as atoi does: sign and digits, 0 when there are none.
    int IntValue() const;

    // Escape the text unless `stored` says it already is; a name loses its trailing spaces.
    void SetName(std::string_view text, bool stored);
    void SetValue(std::string_view text, bool stored);

private:
    XmlElement* owner_;
    std::string name_;
    std::string value_;
};

class XmlElement {
public:
    using ChildList = XmlList<std::unique_ptr<XmlElement>, 20, 20>;
    using AttributeList = XmlList<std::unique_ptr<XmlAttribute>, 20, 20>;
    using CommentList = XmlList<XmlCharData, 10, 10>;
    using TextList = XmlList<XmlCharData, 4, 4>;
    using CDataList = XmlList<XmlCharData, 10, 10>;

    // `tag` is a bare name, "<name>", or a whole start tag with attributes ("<a b=\"1\"/>"). The
    // element records its parent but is not yet one of the parent's children.
    XmlElement(XmlElement* parent, std::string_view tag);
    ~XmlElement();
    XmlElement(const XmlElement&) = delete;
    XmlElement& operator=(const XmlElement&) = delete;

    const std::string& Name() const { return name_; }  // stored form
    XmlElement* Parent() const { return parent_; }
    const ChildList& Children() const { return children_; }
    const AttributeList& Attributes() const { return attributes_; }
    const CommentList& Comments() const { return comments_; }
    const TextList& Texts() const { return texts_; }
    const CDataList& CData() const { return cdata_; }
    XmlFormat Format() const;

    // The first child (attribute) whose unescaped name equals `name` exactly; with `create` a
    // missing one is appended, an attribute with an empty value.
    XmlElement* Child(std::string_view name, bool create = false);
    XmlAttribute* Attribute(std::string_view name, bool create = false);
    XmlElement* AppendChild(std::string_view name);
    // Takes a child built with this element as its parent.
    XmlElement* AdoptChild(std::unique_ptr<XmlElement> child);

    // A text node holding the escaped text, placed before the first child.
    void AddText(std::string_view text);
    // Replaces the first text node's text with the escaped text, or adds one.
    void SetText(std::string_view text);
    // The first text node's text, unescaped; empty when there is none.
    std::string Text() const;
    void SetElementName(std::string_view name);

    // Nodes already in stored form, placed behind the current last child, as a parser adds them.
    void AppendStoredText(std::string_view text);
    void AppendComment(std::string_view text);
    void AppendCData(std::string_view text);

    void ClearChildren() { children_.clear(); }
    void ClearAttributes() { attributes_.clear(); }
    void ClearComments() { comments_.clear(); }
    void ClearTexts() { texts_.clear(); }
    void ClearCData() { cdata_.clear(); }

    // These three work on the whole subtree.
    void ApplyFormat(const XmlFormat& format);
    // Lowers the capacities of the child, attribute and comment lists to their counts.
    void Compact();
    // Every node, attribute and text is present and knows this element as its owner.
    bool Validate() const;

private:
    void ParseTag(std::string_view tag);
    XmlCharData MakeCharData(std::string text, unsigned position);

    std::string name_;
    XmlElement* parent_;
    ChildList children_;
    AttributeList attributes_;
    CommentList comments_;
    TextList texts_;
    CDataList cdata_;
    bool indent_with_spaces_ = false;
    int indent_width_ = 1;
    bool inline_text_ = false;
};

// Sets the attribute, created when missing, to the number formatted "%d".
XmlAttribute* SetIntAttribute(XmlElement& element, std::string_view name, int value);
// Sets the attribute "value", created when missing, to the number formatted "%.15g".
XmlAttribute* SetValueAttribute(XmlElement& element, double value);

}  // namespace Tarn::Xml

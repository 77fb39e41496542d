// The line-and-field reader: reading tokenised lines and the field queries.
#include "system/text_file.h"

#include "colour/colour_string.h"
#include "system/bool_keywords.h"
#include "system/text_utils.h"

namespace Tarn::File {
namespace {

using Colour::Field;
using Colour::FieldKind;

// The field is of one of the wanted kinds and not empty, and the text is empty or matches it.
bool WordMatches(const Field* field, bool plain, bool quoted, std::string_view text) {
    if (field == nullptr || field->text.empty()) return false;
    const bool kind_ok =
        (plain && field->kind == FieldKind::Plain) || (quoted && field->kind == FieldKind::Quoted);
    return kind_ok && (text.empty() || System::EqualsNoCase(field->text, text));
}

}  // namespace

CTextFile::CTextFile() {
    SetImplementation("CASCIICFileStream");
}

CTextFile::CTextFile(std::u16string_view path) : CTextFile() {
    Do_Close(false);
    Do_Open(path, ModeRead);
}

CTextFile::~CTextFile() = default;

std::string CTextFile::GetClassName() const {
    return "CTextFile";
}

bool CTextFile::IsKindOf(std::string_view name, bool include_bases) const {
    return name == "CTextFile" || (include_bases && XFileStream::IsKindOf(name, true));
}

bool CTextFile::ReadTokens() {
    if (!ReadLine(tokens_.MutableLine())) {
        tokens_.ClearFields();
        return false;
    }
    if (tokens_.Line().empty()) {
        tokens_.ClearFields();
    } else {
        tokens_.Split();
    }
    return true;
}

int CTextFile::GetFieldKind(size_t index) const {
    const Field* field = tokens_.At(index);
    return field != nullptr ? static_cast<int>(field->kind) : 0;
}

bool CTextFile::FieldEquals(size_t index, std::string_view text) const {
    const Field* field = tokens_.At(index);
    return field != nullptr && System::EqualsNoCase(field->text, text);
}

bool CTextFile::PlainFieldEquals(size_t index, std::string_view text) const {
    return WordMatches(tokens_.At(index), true, false, text);
}

bool CTextFile::QuotedFieldEquals(size_t index, std::string_view text) const {
    return WordMatches(tokens_.At(index), false, true, text);
}

bool CTextFile::WordFieldEquals(size_t index, std::string_view text) const {
    return WordMatches(tokens_.At(index), true, true, text);
}

int CTextFile::ParseBoolField(size_t index) const {
    // Every keyword is a non-empty word, so only a word field can match one.
    if (!WordFieldEquals(index, "")) return -1;
    return System::ParseBoolKeyword(tokens_.Text(index));
}

Colour::WideColour CTextFile::ParseColourField(size_t& index) const {
    const Field* field = tokens_.At(index);
    if (field == nullptr) return 0;
    const std::string& line = tokens_.Line();
    const size_t open = line.find('(', field->start);
    const size_t close = line.find(')', field->start);
    // The parenthesis must open this field's colour ("RGB(1" or "RGB (1"), not a later one:
    // in "BLUE,RGB(255,0,0)" the name stands alone.
    const Field* next = tokens_.At(index + 1);
    const bool opens_here = open != std::string::npos && (next == nullptr || open <= next->start);
    if (!opens_here || close == std::string::npos || close < open) {
        return Colour::ParseColourString(field->text);
    }
    size_t last = index;
    while (const Field* following = tokens_.At(last + 1)) {
        if (following->start > close) break;
        ++last;
    }
    const std::string_view text =
        std::string_view(line).substr(field->start, close + 1 - field->start);
    index = last;
    return Colour::ParseColourString(text);
}

}  // namespace Tarn::File

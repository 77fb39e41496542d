// Splitting a line into fields over four character classes.
#include "colour/field_tokenizer.h"

#include <utility>

namespace Tarn::Colour {

FieldTokenizer::FieldTokenizer(FieldCharacterClasses classes) : classes_(std::move(classes)) {}

FieldTokenizer::CharClass FieldTokenizer::ClassOf(char c) const {
    if (classes_.separators.find(c) != std::string::npos) return CharClass::Separator;
    if (classes_.blanks.find(c) != std::string::npos) return CharClass::Blank;
    if (classes_.quotes.find(c) != std::string::npos) return CharClass::Quote;
    if (classes_.comment_starters.find(c) != std::string::npos) return CharClass::Comment;
    return CharClass::Other;
}

void FieldTokenizer::Add(size_t start, size_t end, FieldKind kind) {
    Field field;
    field.start = start;
    field.length = end - start;
    field.kind = kind;
    field.text.assign(line_, start, end - start);
    fields_.push_back(std::move(field));
}

void FieldTokenizer::Split(std::string_view line) {
    line_.assign(line);
    Split();
}

void FieldTokenizer::Split() {
    fields_.clear();
    const std::string& s = line_;
    const size_t n = s.size();
    size_t pos = 0;
    auto skip_blanks = [&] {
        while (pos < n && ClassOf(s[pos]) == CharClass::Blank) ++pos;
    };

    for (bool first = true;; first = false) {
        bool separator_consumed = false;
        if (!first && pos < n) {
            const CharClass c = ClassOf(s[pos]);
            if (c == CharClass::Comment) {
                Add(pos, n, FieldKind::Comment);
                return;
            }
            if (c == CharClass::Separator) {
                ++pos;
                separator_consumed = true;
            }
        }
        skip_blanks();
        if (pos >= n) {
            // "a," ends with an empty field; trailing blanks alone end with nothing.
            if (separator_consumed) Add(n, n, FieldKind::Plain);
            return;
        }
        const CharClass c = ClassOf(s[pos]);
        if (c == CharClass::Comment && !separator_consumed) {
            Add(pos, n, FieldKind::Comment);
            return;
        }
        if (c == CharClass::Quote) {
            const size_t open = pos;
            size_t close = s.find(s[open], open + 1);
            if (close == std::string::npos) close = n;  // unclosed: the rest of the line
            Add(open + 1, close, FieldKind::Quoted);
            pos = close < n ? close + 1 : n;
            skip_blanks();
            continue;
        }
        if (c != CharClass::Other) {
            // Two separators in a row (or a separator then a comment starter): the empty field
            // between them; the character is handled by the next round.
            Add(pos, pos, FieldKind::Plain);
            continue;
        }
        const size_t start = pos;
        while (pos < n && ClassOf(s[pos]) == CharClass::Other) ++pos;
        Add(start, pos, FieldKind::Plain);
        skip_blanks();
    }
}

const Field* FieldTokenizer::At(size_t index) const {
    return index < fields_.size() ? &fields_[index] : nullptr;
}

std::string_view FieldTokenizer::Text(size_t index) const {
    return index < fields_.size() ? std::string_view(fields_[index].text) : std::string_view();
}

}  // namespace Tarn::Colour

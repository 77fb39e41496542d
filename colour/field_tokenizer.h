// FieldTokenizer: splits one line of a text file into plain, quoted and comment fields. The
// colour text parser, the colour table readers and the text-file reader share it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace Tarn::Colour {

enum class FieldKind : int { Plain = 1, Quoted = 2, Comment = 3 };

struct Field {
    size_t start = 0;   // byte offset in the line; for a quoted field, of its first inner byte
    size_t length = 0;  // length of text
    FieldKind kind = FieldKind::Plain;
    std::string text;  // without the quotes of a quoted field; a comment keeps its starter
};

// The four character classes; fixed for the life of a tokenizer.
struct FieldCharacterClasses {
    std::string separators = ",|";
    std::string blanks = " \t=\n";
    std::string quotes = "\"'";
    std::string comment_starters = "~!#*/\\";
};

class FieldTokenizer {
public:
    FieldTokenizer() = default;
    explicit FieldTokenizer(FieldCharacterClasses classes);

    // Replaces the line and splits it; the earlier fields are dropped.
    void Split(std::string_view line);
    // Splits the line already held (after SetLine / MutableLine).
    void Split();
    void SetLine(std::string_view line) { line_.assign(line); }
    std::string& MutableLine() { return line_; }
    const std::string& Line() const { return line_; }
    // Empties the field list; the line stays.
    void ClearFields() { fields_.clear(); }

    size_t Count() const { return fields_.size(); }
    const std::vector<Field>& Fields() const { return fields_; }
    // Null past the last field.
    const Field* At(size_t index) const;
    // Empty past the last field.
    std::string_view Text(size_t index) const;

    const FieldCharacterClasses& Classes() const { return classes_; }

private:
    enum class CharClass { Other, Separator, Blank, Quote, Comment };
    CharClass ClassOf(char c) const;
    void Add(size_t start, size_t end, FieldKind kind);

    FieldCharacterClasses classes_;
    std::string line_;
    std::vector<Field> fields_;
};

}  // namespace Tarn::Colour

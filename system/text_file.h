// CTextFile: reads a text file line by line and splits each line into fields, with queries on
// the fields (keywords, booleans, colours) for the colour table readers and the text block.
#pragma once

#include <string>
#include <string_view>

#include "colour/colour_values.h"
#include "colour/field_tokenizer.h"
#include "system/xfile_stream.h"

namespace Tarn::File {

class CTextFile : public XFileStream {
public:
    // A closed text-line stream.
    CTextFile();
    // Opens `path` for reading; IsOpen tells whether that worked.
    explicit CTextFile(std::u16string_view path);
    ~CTextFile() override;

    std::string GetClassName() const override;
    bool IsKindOf(std::string_view name, bool include_bases) const override;

    // Reads the next line and splits it; an empty line has no fields. False at the end.
    bool ReadTokens();

    const std::string& Line() const { return tokens_.Line(); }
    size_t FieldCount() const { return tokens_.Count(); }
    // Empty past the last field.
    std::string_view FieldText(size_t index) const { return tokens_.Text(index); }
    // 1 plain, 2 quoted, 3 comment; 0 past the last field.
    int GetFieldKind(size_t index) const;

    // The field's text equals `text` ignoring case, whatever its kind.
    bool FieldEquals(size_t index, std::string_view text) const;
    // The field is of that kind and not empty, and `text` is empty or equals it ignoring case.
    bool PlainFieldEquals(size_t index, std::string_view text) const;
    bool QuotedFieldEquals(size_t index, std::string_view text) const;
    // Plain or quoted.
    bool WordFieldEquals(size_t index, std::string_view text) const;
    // 1 for a true keyword, 0 for a false one, -1 otherwise (comments and missing fields too).
    int ParseBoolField(size_t index) const;
    // The colour that starts at field `index`. A colour whose parentheses hold separators spans
    // several fields; `index` is then left on the last of them, so the caller goes on with the
    // next. 0 past the last field.
    Colour::WideColour ParseColourField(size_t& index) const;

private:
    Colour::FieldTokenizer tokens_;
};

}  // namespace Tarn::File

// TBL files: one colour per line as black, cyan, magenta and yellow, as cyan, magenta and yellow,
// or, after a comment naming "red", as red, green and blue.
#include <algorithm>
#include <string>

#include "colour/colour_table_file.h"
#include "colour/colour_table_readers.h"
#include "colour/field_tokenizer.h"
#include "colour/number_text.h"
#include "system/text_file.h"

namespace Tarn::Colour {
namespace {

// TBL files also comment with braces.
FieldCharacterClasses TblClasses() {
    FieldCharacterClasses classes;
    classes.comment_starters = "{}~!#*/\\";
    return classes;
}

int Byte(std::string_view text) {
    return static_cast<int>(std::clamp<int64_t>(LeadingInteger64(text), 0, 255));
}

// Ink over paper: the black share darkens what the colour ink leaves.
int InkChannel(int black, int ink) {
    return 255 - std::min(255, black + ink * (255 - black) / 255);
}

}  // namespace

void ReadTblLines(CColourControl& control, File::CTextFile& file) {
    FieldTokenizer tokens(TblClasses());
    std::vector<ColourTableEntry>& table = control.Table();
    bool rgb = false;
    std::string line;
    while (file.ReadLine(line)) {
        tokens.Split(line);
        if (tokens.Count() == 0) continue;
        if (tokens.At(0)->kind == FieldKind::Comment) {
            // A column heading such as "{ red green blue }" says the lines are RGB.
            if (tokens.Text(0).find("red") != std::string_view::npos) rgb = true;
            continue;
        }
        size_t count = 0;
        while (count < tokens.Count() && tokens.At(count)->kind != FieldKind::Comment) {
            if (!StartsWithNumber(tokens.Text(count))) break;
            ++count;
        }
        const bool all_numbers =
            count == tokens.Count() || tokens.At(count)->kind == FieldKind::Comment;
        if (!all_numbers || (count != 3 && count != 4)) continue;
        if (table.size() >= static_cast<size_t>(kMaxColourTableEntries)) break;

        int v[4];
        for (size_t i = 0; i < count; ++i) v[i] = Byte(tokens.Text(i));
        PackedColour colour;
        if (count == 4) {
            colour = PackColour(InkChannel(v[0], v[1]), InkChannel(v[0], v[2]),
                                InkChannel(v[0], v[3]), 0);
        } else if (rgb) {
            colour = PackColour(v[0], v[1], v[2], 0);
        } else {
            colour = PackColour(255 - v[0], 255 - v[1], 255 - v[2], 0);
        }
        table.push_back(MakeColourTableEntry(colour));
    }
}

}  // namespace Tarn::Colour

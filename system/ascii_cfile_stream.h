// CASCIICFileStream: a disk file of text lines with CR LF line ends, in UTF-8 or, with
// ModeWideTextA or ModeWideTextB, in UTF-16 little-endian.
#pragma once

#include <memory>
#include <string>

#include "system/ccfile_stream.h"

namespace Tarn::File {

class CASCIICFileStream : public CCFileStream {
public:
    // A line is read in whole chunks until it ends or reaches this length; the rest of a longer
    // line comes with the next ReadLine. Checking between chunks never splits a CR LF of a line
    // below the limit.
    static constexpr size_t kMaxLine = 65535;

    CASCIICFileStream();
    ~CASCIICFileStream() override;

    std::string GetClassName() const override;
    bool IsKindOf(std::string_view name, bool include_bases) const override;
    // The next line without its trailing CR and LF characters; false when nothing is left.
    bool ReadLine(std::u16string& line) override;
    bool ReadLine(std::string& line) override;
    // Every LF of the text becomes CR LF, and CR LF ends the line.
    void WriteLine(std::u16string_view line) override;
    void WriteLine(std::string_view line) override;
    // Lines, not length-prefixed strings; PrefixedString keeps the length-prefixed form.
    bool ReadString(std::u16string& text) override;
    bool ReadString(std::string& text) override;
    using IFileStream::ReadString;
    // The text as a line but without the final line end.
    void WriteString(std::u16string_view text) override;
    void WriteString(std::string_view text) override;
    using IFileStream::WriteString;

private:
    static constexpr size_t kBufferBytes = 2048;

    bool IsWide() const;
    // Up to `max` bytes into the line buffer, stopping after an LF.
    size_t ReadNarrowChunk(size_t max);
    // Up to `max` UTF-16 units into the line buffer, stopping after an LF unit.
    size_t ReadWideChunk(size_t max);
    void WriteText(std::string_view text, bool end_line);
    void WriteText(std::u16string_view text, bool end_line);

    std::unique_ptr<char[]> buffer_;
};

}  // namespace Tarn::File

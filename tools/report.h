// A report of named facts, printed as "Name: value" lines for people or as one JSON object for
// scripts. Values keep their order; nested groups become JSON objects and indented lines.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace Tarn::Tools {

class Report {
public:
    Report& Text(const std::string& name, const std::string& value);
    Report& Number(const std::string& name, double value);
    Report& Integer(const std::string& name, int64_t value);
    Report& Flag(const std::string& name, bool value);
    Report& Null(const std::string& name);
    // A list of numbers, shown as "1, 2, 3".
    Report& Numbers(const std::string& name, const std::vector<double>& values);
    // A nested group; `words` is what people read on its own line (may be empty).
    Report& Group(const std::string& name, const std::string& words = "");

    Report Copy() const;

    void PrintText(std::ostream& out, int indent = 0) const;
    void PrintJson(std::ostream& out, int indent = 0) const;

private:
    struct Entry {
        std::string name;
        std::string text;  // as people read it
        std::string json;  // as JSON (empty for a group)
        std::unique_ptr<Report> group;
    };
    std::vector<Entry> entries_;
};

// "%.10g", without a trailing exponent surprise for ordinary numbers.
std::string FormatNumber(double value);

}  // namespace Tarn::Tools

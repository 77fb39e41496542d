// Printing a report as text lines or JSON.
#include "tools/report.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace Tarn::Tools {
namespace {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// "Coordinate system" -> "coordinate_system".
std::string JsonKey(const std::string& name) {
    std::string key;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!key.empty() && key.back() != '_')
            key += '_';
    }
    while (!key.empty() && key.back() == '_') key.pop_back();
    return key;
}

std::string JsonNumber(double value) {
    return std::isfinite(value) ? FormatNumber(value) : "null";
}

}  // namespace

std::string FormatNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", value);
    return text;
}

Report Report::Copy() const {
    Report copy;
    for (const Entry& entry : entries_)
        copy.entries_.push_back(
            {entry.name, entry.text, entry.json,
             entry.group ? std::make_unique<Report>(entry.group->Copy()) : nullptr});
    return copy;
}

Report& Report::Text(const std::string& name, const std::string& value) {
    entries_.push_back({name, value, JsonString(value), nullptr});
    return *this;
}

Report& Report::Number(const std::string& name, double value) {
    entries_.push_back({name, FormatNumber(value), JsonNumber(value), nullptr});
    return *this;
}

Report& Report::Integer(const std::string& name, int64_t value) {
    entries_.push_back({name, std::to_string(value), std::to_string(value), nullptr});
    return *this;
}

Report& Report::Flag(const std::string& name, bool value) {
    entries_.push_back({name, value ? "yes" : "no", value ? "true" : "false", nullptr});
    return *this;
}

Report& Report::Null(const std::string& name) {
    entries_.push_back({name, "none", "null", nullptr});
    return *this;
}

Report& Report::Numbers(const std::string& name, const std::vector<double>& values) {
    std::string text, json = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        text += (i ? ", " : "") + FormatNumber(values[i]);
        json += (i ? ", " : "") + JsonNumber(values[i]);
    }
    entries_.push_back({name, text, json + "]", nullptr});
    return *this;
}

Report& Report::Group(const std::string& name, const std::string& words) {
    entries_.push_back({name, words, "", std::make_unique<Report>()});
    return *entries_.back().group;
}

void Report::PrintText(std::ostream& out, int indent) const {
    const std::string pad(size_t(indent) * 2, ' ');
    for (const Entry& entry : entries_) {
        out << pad << entry.name << ":" << (entry.text.empty() ? "" : " " + entry.text) << "\n";
        if (entry.group) entry.group->PrintText(out, indent + 1);
    }
}

void Report::PrintJson(std::ostream& out, int indent) const {
    const std::string pad(size_t(indent + 1) * 2, ' ');
    out << "{";
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_[i];
        out << (i ? "," : "") << "\n" << pad << JsonString(JsonKey(entry.name)) << ": ";
        if (entry.group && !entry.text.empty()) {
            // What people read on the group's line comes first, as its summary.
            Report with_summary;
            with_summary.Text("Summary", entry.text);
            const Report inner = entry.group->Copy();
            for (const Entry& e : inner.entries_)
                with_summary.entries_.push_back(
                    {e.name, e.text, e.json,
                     e.group ? std::make_unique<Report>(e.group->Copy()) : nullptr});
            with_summary.PrintJson(out, indent + 1);
        } else if (entry.group) {
            entry.group->PrintJson(out, indent + 1);
        } else {
            out << entry.json;
        }
    }
    out << (entries_.empty() ? "" : "\n" + std::string(size_t(indent) * 2, ' ')) << "}";
    if (indent == 0) out << "\n";
}

}  // namespace Tarn::Tools

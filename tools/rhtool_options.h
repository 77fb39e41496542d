// rhtool's command line: the commands, the options each takes (a table), and the help texts.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "tools/style_options.h"

namespace Tarn::Tools {

struct Options {
    std::string handler;
    std::string command;
    std::vector<std::string> positional;
    std::string output;
    std::optional<std::array<int, 2>> size;
    std::optional<int> width;
    std::optional<std::array<int, 4>> cells;
    int strip_rows = 0;
    bool lines = false;
    bool alpha = false;
    bool quiet = false;
    bool json = false;
    bool help = false;
    bool version = false;
    std::string style_file;  // --style
    bool save_style = false;
    std::vector<RequestedStyleChange> style_changes;

    // Whether the raster is drawn with a style other than its own document as it stands.
    bool Styled() const { return !style_file.empty() || !style_changes.empty(); }
};

// Throws UsageError for an unknown option, a bad value, or an option the command does not take.
Options ParseOptions(const std::vector<std::string>& args);

// The help of one command, or the overview for an empty or unknown one.
std::string HelpFor(const std::string& command);

}  // namespace Tarn::Tools

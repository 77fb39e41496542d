// The general options' table, parsing, and the help texts (styling options come from their own
// table in style_options.cpp).
#include "tools/rhtool_options.h"

#include "tools/argument_parsing.h"

namespace Tarn::Tools {
namespace {

enum CommandBit : unsigned {
    kIdentify = 1,
    kInfo = 2,
    kStyle = 4,
    kDraw = 8,
    kLegend = 16,
    kEvery = 31,
};
// Commands that take the styling options.
constexpr unsigned kStyling = kStyle | kDraw | kLegend;

unsigned CommandBitOf(const std::string& command) {
    if (command == "identify") return kIdentify;
    if (command == "info") return kInfo;
    if (command == "style") return kStyle;
    if (command == "draw") return kDraw;
    if (command == "legend") return kLegend;
    return 0;
}

struct GeneralOption {
    const char* name;
    const char* alias;
    bool takes_value;
    unsigned commands;
    void (*set)(Options&, const std::string& value);
};

const GeneralOption kGeneralOptions[] = {
    {"--help", "-h", false, kEvery, [](Options& o, const std::string&) { o.help = true; }},
    {"--version", nullptr, false, kEvery, [](Options& o, const std::string&) { o.version = true; }},
    {"--handler", nullptr, true, kEvery, [](Options& o, const std::string& v) { o.handler = v; }},
    {"--output", "-o", true, kDraw | kLegend,
     [](Options& o, const std::string& v) { o.output = v; }},
    {"--size", nullptr, true, kDraw,
     [](Options& o, const std::string& v) {
         o.size = ParseNumbers<int, 2>(v, 'x', "size (expected WxH)");
     }},
    {"--width", nullptr, true, kDraw,
     [](Options& o, const std::string& v) { o.width = ParseNumbers<int, 1>(v, ',', "width")[0]; }},
    {"--cells", nullptr, true, kDraw,
     [](Options& o, const std::string& v) {
         o.cells = ParseNumbers<int, 4>(v, ',', "cell window (expected X0,Y0,X1,Y1)");
     }},
    {"--strip-rows", nullptr, true, kDraw,
     [](Options& o, const std::string& v) {
         o.strip_rows = ParseNumbers<int, 1>(v, ',', "strip rows")[0];
         if (o.strip_rows <= 0) throw UsageError("--strip-rows must be positive");
     }},
    {"--lines", nullptr, false, kDraw, [](Options& o, const std::string&) { o.lines = true; }},
    {"--alpha", nullptr, false, kDraw, [](Options& o, const std::string&) { o.alpha = true; }},
    {"--quiet", "-q", false, kDraw, [](Options& o, const std::string&) { o.quiet = true; }},
    {"--json", nullptr, false, kInfo | kStyle,
     [](Options& o, const std::string&) { o.json = true; }},
    {"--style", nullptr, true, kStyling,
     [](Options& o, const std::string& v) { o.style_file = v; }},
    {"--save-style", nullptr, false, kStyle | kDraw,
     [](Options& o, const std::string&) { o.save_style = true; }},
};

constexpr const char* kUsage =
    R"(Usage: rhtool [--handler PATH] COMMAND [ARGUMENTS]

Drives a raster handler plug-in the way the host application does.

Commands:
  identify       the plug-in's name, description and file extensions
  info FILE      whether the plug-in takes FILE, what it reports once FILE is open, and the
                 raster's data type, bands, no-data value, statistics and overviews
  style FILE     the style FILE is drawn with, in words
  draw FILE -o OUT.png|OUT.tif|OUT.jpg
                 draws FILE, or a window of its cells, to a north-up picture
  legend FILE -o OUT.svg
                 the colour bar of FILE's style, with value labels

Options:
  --handler PATH   the plug-in to load (default: KVRasterHandlerGDAL.rha beside rhtool)
  --version        rhtool's version and the libraries it writes pictures with
  --help           this text; "rhtool COMMAND --help" describes one command

Exit codes: 0 success, 1 usage error, 2 plug-in cannot be loaded, 3 the plug-in does not take
the file, 4 the file cannot be opened, 5 drawing failed, 6 the output cannot be written.
)";

constexpr const char* kIdentifyHelp =
    R"(Usage: rhtool [--handler PATH] identify

Prints the plug-in's identification record: interface version, file name, description and
the file extensions it serves.
)";

constexpr const char* kInfoHelp =
    R"(Usage: rhtool [--handler PATH] info FILE [--json]

Asks the plug-in whether it takes FILE, opens it and prints its size in cells, the capability
flag, the coordinate system (code and name), the registration points (none for a raster
without georeferencing), the transparent colour and the render style file in use; then, read
with GDAL, the data type, band count, no-data value, cell size and overviews, and the
statistics of the drawn band as the plug-in colours by them.

  --json   one JSON object instead of lines, for scripts
)";

constexpr const char* kStyleHead =
    R"(Usage: rhtool [--handler PATH] style FILE [--json] [--save-style] [styling options]

Prints the style FILE is drawn with, in words: its kind, bands, colour table, mapping and
range, and shading. With styling options, the style a draw with them would use.

  --json                  one JSON object instead of lines, for scripts
  --style FILE.ghx        start from this style document instead of the raster's own
  --save-style            write the styling options into the raster's style document
)";

constexpr const char* kDrawHead =
    R"(Usage: rhtool [--handler PATH] draw FILE -o OUT [--size WxH | --width W]
                                        [--cells X0,Y0,X1,Y1] [styling options]

Draws FILE as the plug-in colours it and writes a north-up picture, in the format that OUT's
extension names: .png (with a world file .pgw and the coordinate system in .prj beside it),
.tif (an RGB GeoTIFF, tiled and compressed, georeferenced inside) or .jpg (with .jgw and
.prj). Files are replaced only once complete.

  -o, --output OUT      the picture to write
  --size WxH            picture size in pixels
  --width W             picture width; the height keeps the cells' aspect ratio
  --cells X0,Y0,X1,Y1   the cell window to draw: columns X0 to X1 and rows Y0 to Y1 (half
                        open), rows counted from the top; default: the whole raster
  --alpha               make the colour the host keys out (where there is no data)
                        transparent (PNG and GeoTIFF)
  --lines               take the picture line by line (RH_GetLine) instead of as a block
  --strip-rows N        draw in strips of N rows (each a window of cells of its own)
  -q, --quiet           no progress bar
  --style FILE.ghx      draw with this style document instead of the raster's own
  --save-style          write the styling options into the raster's style document

Without --size and --width the picture has one pixel per cell, scaled down to fit 4096 pixels
on its longer side. Pictures above 256 MB, or above what the plug-in can hold in memory, are
drawn in strips of rows and written as they come. A progress bar shows on a terminal when a
draw takes more than a second.
)";

constexpr const char* kLegendHead =
    R"(Usage: rhtool [--handler PATH] legend FILE -o OUT.svg [styling options]

Writes the colour bar of the style FILE is drawn with as an SVG picture: classes with their
labels for a legend (LEG) table, an index mapping and a raster's own colour table; otherwise a
continuous bar with value labels at round numbers.

  -o, --output OUT.svg  the legend to write
  --style FILE.ghx      the legend of this style document instead of the raster's own
)";

constexpr const char* kStylingHead = R"(
Styling options (for this command only: the raster's own style document is left as it was,
unless --save-style is given):
)";

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    std::vector<std::pair<std::string, unsigned>> given;  // option and the commands taking it
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg.size() > 1 && arg[0] == '-') {
            bool known = false;
            for (const GeneralOption& option : kGeneralOptions) {
                if (arg != option.name && (option.alias == nullptr || arg != option.alias))
                    continue;
                option.set(options, option.takes_value ? value() : std::string());
                given.emplace_back(arg, option.commands);
                known = true;
                break;
            }
            if (known) continue;
            if (const StyleOption* style = FindStyleOption(arg)) {
                const std::string& text = style->argument != nullptr ? value() : std::string();
                options.style_changes.push_back({style, style->parse(text)});
                given.emplace_back(arg, kStyling);
                continue;
            }
            throw UsageError("unknown option " + arg);
        }
        if (options.command.empty())
            options.command = arg;
        else
            options.positional.push_back(arg);
    }
    if (options.help || options.version) return options;
    if (options.command.empty()) throw UsageError("no command given");
    const unsigned command = CommandBitOf(options.command);
    if (command == 0) throw UsageError("unknown command " + options.command);
    for (const auto& [name, commands] : given)
        if (!(commands & command)) throw UsageError(name + " does not apply to " + options.command);
    return options;
}

std::string HelpFor(const std::string& command) {
    switch (CommandBitOf(command)) {
        case kIdentify:
            return kIdentifyHelp;
        case kInfo:
            return kInfoHelp;
        case kStyle:
            return std::string(kStyleHead) + kStylingHead + StyleOptionsHelp();
        case kDraw:
            return std::string(kDrawHead) + kStylingHead + StyleOptionsHelp();
        case kLegend:
            return std::string(kLegendHead) + kStylingHead + StyleOptionsHelp();
        default:
            return kUsage;
    }
}

}  // namespace Tarn::Tools

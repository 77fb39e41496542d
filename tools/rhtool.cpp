// The rhtool commands: identify, info and draw.
#include "tools/rhtool.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iomanip>
#include <memory>
#include <optional>

#include "platform/file_system.h"
#include "platform/module_path.h"
#include "tools/plugin_host.h"
#include "tools/png_writer.h"
#include "tools/world_file.h"

namespace Tarn::Tools {
namespace {

constexpr const char* kUsage =
    R"(Usage: rhtool [--handler PATH] COMMAND [ARGUMENTS]

Drives a raster handler plug-in the way the host application does.

Commands:
  identify     the plug-in's name, description and file extensions
  info FILE    whether the plug-in takes FILE, and what it reports once FILE is open
  draw FILE -o OUT.png [--size WxH | --width W] [--cells X0,Y0,X1,Y1] [--lines]
               draws FILE, or a window of its cells, to a north-up PNG picture

Options:
  --handler PATH   the plug-in to load (default: KVRasterHandlerGDAL.rha beside rhtool)
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
    R"(Usage: rhtool [--handler PATH] info FILE

Asks the plug-in whether it takes FILE, opens it and prints its size in cells, the capability
flag, the coordinate system, the registration points (none for a raster without
georeferencing), the transparent colour and the render style file in use.
)";

constexpr const char* kDrawHelp =
    R"(Usage: rhtool [--handler PATH] draw FILE -o OUT.png [--size WxH | --width W]
                                        [--cells X0,Y0,X1,Y1] [--lines]

Draws FILE as the plug-in colours it and writes a north-up PNG picture. For a georeferenced
raster a world file (OUT.pgw) is written beside it, so the picture overlays in any GIS.

  -o, --output OUT.png  the picture to write (replaced only once complete)
  --size WxH            picture size in pixels
  --width W             picture width; the height keeps the cells' aspect ratio
  --cells X0,Y0,X1,Y1   the cell window to draw: columns X0 to X1 and rows Y0 to Y1 (half
                        open), rows counted from the top; default: the whole raster
  --lines               take the picture line by line (RH_GetLine) instead of as one block

Without --size and --width the picture has one pixel per cell, scaled down to fit 4096 pixels
on its longer side.
)";

constexpr int kDefaultLongestSide = 4096;

struct Options {
    std::string handler;
    std::string command;
    std::vector<std::string> positional;
    std::string output;
    std::optional<std::array<int, 2>> size;
    std::optional<int> width;
    std::optional<std::array<int, 4>> cells;
    bool lines = false;
    bool help = false;
};

class UsageError {
public:
    explicit UsageError(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const { return message_; }

private:
    std::string message_;
};

// Splits `text` at `separator` into exactly `count` integers, or throws a usage error.
template <size_t count>
std::array<int, count> ParseIntegers(const std::string& text, char separator, const char* what) {
    std::array<int, count> values{};
    const char* at = text.data();
    const char* end = text.data() + text.size();
    for (size_t i = 0; i < count; ++i) {
        const auto [next, ec] = std::from_chars(at, end, values[i]);
        const bool last = i + 1 == count;
        if (ec != std::errc() || (last ? next != end : (next == end || *next != separator))) {
            throw UsageError(std::string("bad ") + what + ": " + text);
        }
        at = next + 1;
    }
    return values;
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--handler") {
            options.handler = value();
        } else if (arg == "-o" || arg == "--output") {
            options.output = value();
        } else if (arg == "--size") {
            options.size = ParseIntegers<2>(value(), 'x', "size (expected WxH)");
        } else if (arg == "--width") {
            options.width = ParseIntegers<1>(value(), ',', "width")[0];
        } else if (arg == "--cells") {
            options.cells = ParseIntegers<4>(value(), ',', "cell window (expected X0,Y0,X1,Y1)");
        } else if (arg == "--lines") {
            options.lines = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option " + arg);
        } else if (options.command.empty()) {
            options.command = arg;
        } else {
            options.positional.push_back(arg);
        }
    }
    return options;
}

std::string DefaultHandlerPath() {
    const std::string exe = Platform::ExecutablePath();
    const size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) +
           "/KVRasterHandlerGDAL.rha";
}

// A loaded plug-in that has identified itself, as the host keeps it.
struct Session {
    std::unique_ptr<PluginHost> plugin;
    HandlerIdentity identity{};
};

int StartSession(const Options& options, Session& session, std::ostream& err) {
    const std::string path = options.handler.empty() ? DefaultHandlerPath() : options.handler;
    std::string error;
    session.plugin = PluginHost::Load(path, error);
    if (!session.plugin) {
        err << "rhtool: cannot load the plug-in " << path << ": " << error << "\n";
        return kExitPluginUnusable;
    }
    if (!session.plugin->Entry().identify(&session.identity)) {
        err << "rhtool: the plug-in " << path
            << " does not identify itself (is KVRasterUtility.so beside it?)\n";
        return kExitPluginUnusable;
    }
    return kExitOk;
}

std::string FixedText(const char* text, size_t capacity) {
    return std::string(text, strnlen(text, capacity));
}

int Identify(const Session& session, std::ostream& out) {
    const HandlerIdentity& id = session.identity;
    out << "Interface version: " << id.version << "\n"
        << "File name: " << FixedText(id.file_name, sizeof id.file_name) << "\n"
        << "Description: " << FixedText(id.description, sizeof id.description) << "\n"
        << "Extensions (" << id.extension_count << "):";
    for (int i = 0; i < id.extension_count && i < RH_MAX_EXTENSIONS; ++i) {
        out << " " << FixedText(id.extensions[i], RH_EXTENSION_SLOT);
    }
    out << "\n";
    return kExitOk;
}

// Asks whether the plug-in takes the file and opens it into `raster`.
int OpenFile(const Session& session, const std::string& file, OpenRaster& raster,
             std::ostream& err) {
    const PluginEntryPoints& entry = session.plugin->Entry();
    if (!entry.is_format(file.c_str())) {
        err << "rhtool: the plug-in does not take " << file << "\n";
        return kExitFileNotTaken;
    }
    if (!entry.open(raster.Record(), file.c_str(), 0)) {
        err << "rhtool: cannot open " << file << " (error code " << raster.Record()->error_code
            << ")\n";
        return kExitOpenFailed;
    }
    return kExitOk;
}

// Where the plug-in keeps the render style of `file`: beside it, or in the temporary directory
// when that directory is not writable.
std::string StyleFileInUse(const std::string& file) {
    const size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : file.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos) name[dot] = '_';
    name += ".ghx";
    if (Platform::StatPath(folder + name)) return folder + name;
    const std::string in_temp = Platform::TempDirectory() + "/" + name;
    if (Platform::StatPath(in_temp)) return in_temp + " (in the temporary directory)";
    return "none";
}

int Info(const Session& session, const std::string& file, std::ostream& out, std::ostream& err) {
    const PluginEntryPoints& entry = session.plugin->Entry();
    OpenRaster raster(entry);
    if (const int status = OpenFile(session, file, raster, err); status != kExitOk) return status;
    HostRasterRecord* host = raster.Record();

    out << "File: " << file << "\n"
        << "Size: " << host->width << " x " << host->height << " cells\n";
    int capability = 0;
    if (entry.get_capabilities(host, &capability)) {
        out << "Capability flag: " << capability << "\n";
    } else {
        out << "Capability flag: unavailable (error code " << host->error_code << ")\n";
    }
    std::array<char, 1024> cs{};
    char* cs_buffer = cs.data();
    const bool has_cs =
        entry.get_coordinate_system(host, &cs_buffer, static_cast<int32_t>(cs.size()));
    out << "Coordinate system: " << (has_cs ? cs.data() : "none") << "\n";

    if (const RegistrationPoints* points = host->registration) {
        out << "Registration points:\n" << std::setprecision(15);
        for (const ControlPoint& p : points->points) {
            out << "  cell (" << p.cell_x << ", " << p.cell_y << ") -> world (" << p.world_x << ", "
                << p.world_y << ")\n";
        }
    } else {
        out << "Registration points: none (not georeferenced)\n";
    }
    uint8_t bgr[3] = {};
    if (entry.get_transparent_colour(host, bgr)) {
        out << "Transparent colour: red " << int{bgr[2]} << ", green " << int{bgr[1]} << ", blue "
            << int{bgr[0]} << "\n";
    } else {
        out << "Transparent colour: none\n";
    }
    out << "Style file: " << StyleFileInUse(file) << "\n";
    return kExitOk;
}

// The picture size for a cell window of `cells_x` x `cells_y` cells.
std::array<int, 2> PictureSize(const Options& options, int cells_x, int cells_y) {
    if (options.size) {
        const auto [w, h] = *options.size;
        if (w <= 0 || h <= 0) throw UsageError("the picture size must be positive");
        return {w, h};
    }
    if (options.width) {
        if (*options.width <= 0) throw UsageError("the picture width must be positive");
        const double h = std::round(static_cast<double>(*options.width) * cells_y / cells_x);
        return {*options.width, std::max(1, static_cast<int>(h))};
    }
    const double scale =
        std::min(1.0, static_cast<double>(kDefaultLongestSide) / std::max(cells_x, cells_y));
    return {std::max(1, static_cast<int>(std::lround(cells_x * scale))),
            std::max(1, static_cast<int>(std::lround(cells_y * scale)))};
}

// The first cell line that the plug-in takes to picture row `step` from the bottom: it divides
// in double and truncates, so the line is found by that same arithmetic rather than by a
// product that may round to the line below.
int32_t LineOfStep(int step, int32_t y0, double lines_per_row) {
    const auto step_of = [&](int64_t line) {
        return std::trunc((static_cast<double>(line) - y0) / lines_per_row);
    };
    int64_t line = y0 + static_cast<int64_t>(std::ceil(step * lines_per_row));
    while (step_of(line) < step) ++line;
    while (line > y0 && step_of(line - 1) >= step) --line;
    return static_cast<int32_t>(line);
}

int Draw(const Session& session, const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.positional[0];

    const PluginEntryPoints& entry = session.plugin->Entry();
    OpenRaster raster(entry);
    if (const int status = OpenFile(session, file, raster, err); status != kExitOk) return status;
    HostRasterRecord* host = raster.Record();

    // The window in rows from the top, as users and world files count them.
    const std::array<int, 4> window =
        options.cells.value_or(std::array<int, 4>{0, 0, host->width, host->height});
    const auto [x0, y0, x1, y1] = window;
    if (x0 < 0 || y0 < 0 || x1 > host->width || y1 > host->height || x0 >= x1 || y0 >= y1) {
        throw UsageError("the cell window must lie inside the raster's " +
                         std::to_string(host->width) + " x " + std::to_string(host->height) +
                         " cells and not be empty");
    }
    const auto [width, height] = PictureSize(options, x1 - x0, y1 - y0);

    // The host counts cell rows from the bottom; the picture's first delivered row is the top.
    const DrawRect cells{x0, host->height - y1, x1, host->height - y0};
    const DrawRect output{0, 0, width, height};
    const double rows_per_pixel = double(y1 - y0) / height;
    // A line number addresses one picture row only while each row spans at least one cell row;
    // when enlarging, the lines count picture rows instead.
    const double lines_per_row = rows_per_pixel >= 1.0 ? rows_per_pixel : 1.0;
    int output_width = 0;
    if (!entry.start_draw(host, &output, &cells, lines_per_row, &output_width)) {
        err << "rhtool: drawing " << file << " failed (error code " << host->error_code << ")\n";
        return kExitDrawFailed;
    }

    const size_t row_bytes = size_t(width) * 3;
    std::vector<uint8_t> picture(row_bytes * size_t(height));  // rows from the top
    bool complete = true;
    if (options.lines) {
        for (int top = 0; top < height && complete; ++top) {
            const int32_t line = LineOfStep(height - 1 - top, cells.y0, lines_per_row);
            uint8_t* row = nullptr;
            int16_t flag = 0;
            complete = entry.get_line(host, line, &row, &flag) && row != nullptr;
            if (complete) std::memcpy(picture.data() + top * row_bytes, row, row_bytes);
        }
    } else {
        uint8_t* block = nullptr;
        DrawRect rect{};
        complete = entry.get_block(host, &block, &rect) && block != nullptr;
        // The block comes bottom row first.
        for (int top = 0; top < height && complete; ++top) {
            std::memcpy(picture.data() + top * row_bytes,
                        block + size_t(height - 1 - top) * row_bytes, row_bytes);
        }
    }
    entry.end_draw(host);
    if (!complete) {
        err << "rhtool: the plug-in did not deliver the picture of " << file << "\n";
        return kExitDrawFailed;
    }

    std::string error;
    if (!WriteRgbPng(
            options.output, width, height,
            [&](int row) { return picture.data() + size_t(row) * row_bytes; }, error)) {
        err << "rhtool: " << error << "\n";
        return kExitOutputUnwritable;
    }
    out << "Wrote " << options.output << " (" << width << " x " << height << ")\n";
    if (const RegistrationPoints* points = host->registration) {
        const std::string world_path = WorldFilePath(options.output);
        const PictureWindow picture_window{double(x0), double(y0), double(x1),
                                           double(y1), width,      height};
        if (!WriteWorldFile(world_path, WorldFileFor(*points, picture_window))) {
            err << "rhtool: cannot write " << world_path << "\n";
            return kExitOutputUnwritable;
        }
        out << "Wrote " << world_path << "\n";
    }
    return kExitOk;
}

const char* HelpFor(const std::string& command) {
    if (command == "identify") return kIdentifyHelp;
    if (command == "info") return kInfoHelp;
    if (command == "draw") return kDrawHelp;
    return kUsage;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Options options = ParseOptions(args);
    if (options.help) {
        out << HelpFor(options.command);
        return kExitOk;
    }
    if (options.command.empty()) throw UsageError("no command given");
    if (options.command != "identify" && options.command != "info" && options.command != "draw") {
        throw UsageError("unknown command " + options.command);
    }
    if (options.command == "identify" && !options.positional.empty()) {
        throw UsageError("identify takes no arguments");
    }
    if (options.command == "info" && options.positional.size() != 1) {
        throw UsageError("info takes one FILE");
    }
    if (options.command == "draw") {
        if (options.positional.size() != 1) throw UsageError("draw takes one FILE");
        if (options.output.empty()) throw UsageError("draw needs -o OUT.png");
        if (options.size && options.width) throw UsageError("give --size or --width, not both");
    }

    Session session;
    if (const int status = StartSession(options, session, err); status != kExitOk) return status;
    if (options.command == "identify") return Identify(session, out);
    if (options.command == "info") return Info(session, options.positional[0], out, err);
    return Draw(session, options, out, err);
}

}  // namespace

int RunRhtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    try {
        return Run(args, out, err);
    } catch (const UsageError& usage) {
        err << "rhtool: " << usage.Message() << "\nRun \"rhtool --help\" for usage.\n";
        return kExitUsage;
    } catch (const std::exception& failure) {
        err << "rhtool: " << failure.what() << "\n";
        return kExitDrawFailed;
    }
}

}  // namespace Tarn::Tools

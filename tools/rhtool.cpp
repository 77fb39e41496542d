// The rhtool commands: identify, info, style, draw and legend.
#include "tools/rhtool.h"

#include <gdal.h>
#include <libdeflate.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <sstream>
#include <stdexcept>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

#include "platform/file_contents.h"
#include "platform/file_system.h"
#include "platform/module_path.h"
#include "style/colour_serializer.h"
#include "system/utf.h"
#include "tools/argument_parsing.h"
#include "tools/coordinate_system.h"
#include "tools/draw_picture.h"
#include "tools/legend.h"
#include "tools/messages.h"
#include "tools/picture_writer.h"
#include "tools/plugin_host.h"
#include "tools/progress_bar.h"
#include "tools/raster_facts.h"
#include "tools/raster_report.h"
#include "tools/report.h"
#include "tools/rhtool_options.h"
#include "tools/style_document.h"
#include "tools/style_report.h"
#include "tools/style_sandbox.h"
#include "tools/world_file.h"

#ifndef RH_VERSION
#define RH_VERSION "unknown"
#endif

namespace Tarn::Tools {
namespace {

namespace fs = std::filesystem;

constexpr int kDefaultLongestSide = 4096;

std::string DefaultHandlerPath() {
    const std::string exe = Platform::ExecutablePath();
    const size_t slash = exe.rfind('/');
    return (slash == std::string::npos ? std::string(".") : exe.substr(0, slash)) +
           "/KVRasterHandlerGDAL.rha";
}

// A loaded plug-in that has identified itself, as the host keeps it.
struct Session {
    std::string path;
    std::unique_ptr<PluginHost> plugin;
    HandlerIdentity identity{};
};

int StartSession(const Options& options, Session& session, std::ostream& err) {
    session.path = options.handler.empty() ? DefaultHandlerPath() : options.handler;
    std::string error;
    session.plugin = PluginHost::Load(session.path, error);
    if (!session.plugin) {
        err << "rhtool: cannot load the plug-in " << session.path << ": " << error << "\n";
        return kExitPluginUnusable;
    }
    if (!session.plugin->Entry().identify(&session.identity)) {
        err << "rhtool: the plug-in " << session.path
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

int Version(std::ostream& out) {
    out << "rhtool " << RH_VERSION << " (GDAL " << GDALVersionInfo("RELEASE_NAME")
        << ", libdeflate " << LIBDEFLATE_VERSION_STRING << ", libjpeg " << JPEG_LIB_VERSION
        << ")\n";
    return kExitOk;
}

// Whether the plug-in takes the file, saying why not in words.
int CheckTaken(const Session& session, const std::string& file, std::ostream& err) {
    if (const std::string trouble = FileTrouble(file); !trouble.empty()) {
        err << "rhtool: " << trouble << "\n";
        return kExitFileNotTaken;
    }
    if (!session.plugin->Entry().is_format(file.c_str())) {
        err << "rhtool: " << NotTakenReason(file) << "\n";
        return kExitFileNotTaken;
    }
    return kExitOk;
}

int OpenRecord(const Session& session, const std::string& file, OpenRaster& raster,
               std::ostream& err) {
    if (!session.plugin->Entry().open(raster.Record(), file.c_str(), 0)) {
        err << "rhtool: cannot open " << file << " ("
            << PluginErrorWords(raster.Record()->error_code, 0, 0) << ")\n";
        return kExitOpenFailed;
    }
    return kExitOk;
}

// The raster opened through the plug-in with the style that the command asks for. Styling
// options work on a copy of the document in a sandbox, so the raster's own stays as it was.
struct StyledRaster {
    std::unique_ptr<StyleSandbox> sandbox;
    std::string document;  // the document the plug-in draws with
    std::unique_ptr<RasterApi::OpenRaster> facts;
    std::unique_ptr<PaletteFinder> palettes;
};

RasterBandsView BandsView(const StyledRaster& styled) {
    RasterBandsView view;
    const RasterApi::OpenRaster* facts = styled.facts.get();
    view.count = facts ? GDALGetRasterCount(facts->dataset) : 0;
    view.document_band = [facts](int band) {
        return facts ? DocumentBandOf(facts->field, band) : -1;
    };
    PaletteFinder* finder = styled.palettes.get();
    view.palette_name = [finder](const std::string& value) { return finder->Resolve(value); };
    view.palette_colours = [finder](const std::u16string& name) { return finder->Colours(name); };
    return view;
}

// `facts`: the command reads the raster itself too (bands, statistics).
int OpenWithStyle(const Session& session, const Options& options, const std::string& file,
                  OpenRaster& raster, StyledRaster& styled, std::ostream& err, bool facts = true) {
    if (const int status = CheckTaken(session, file, err); status != kExitOk) return status;
    if (facts || options.Styled()) styled.facts = OpenRasterFacts(file);
    if (!options.Styled()) {
        const int status = OpenRecord(session, file, raster, err);
        styled.document = StyleDocumentInUse(file).value_or("");
        styled.palettes =
            std::make_unique<PaletteFinder>(PluginPaletteDirectory(session.path), nullptr);
        return status;
    }
    if (!options.style_file.empty()) {
        if (const std::string trouble = FileTrouble(options.style_file); !trouble.empty())
            throw UsageError(trouble);
        if (Colour::ColourSerializer::NeedsInitialisation(System::Utf8ToWide(options.style_file)))
            throw UsageError(options.style_file + " is not a render style document");
    }
    // The palette directory as the user's settings give it, before the sandbox's copy counts.
    const std::string palette_directory = PluginPaletteDirectory(session.path);
    std::string error;
    styled.sandbox = StyleSandbox::Create(error);
    if (!styled.sandbox) {
        err << "rhtool: " << error << "\n";
        return kExitOutputUnwritable;
    }
    styled.palettes = std::make_unique<PaletteFinder>(palette_directory, styled.sandbox.get());
    styled.document = styled.sandbox->DocumentFor(file);
    const std::optional<std::string> source =
        options.style_file.empty() ? StyleDocumentInUse(file) : options.style_file;
    std::error_code failed;
    if (source && !fs::copy_file(*source, styled.document, failed)) {
        err << "rhtool: cannot copy " << *source << ": " << failed.message() << "\n";
        return kExitOutputUnwritable;
    }
    if (Colour::ColourSerializer::NeedsInitialisation(System::Utf8ToWide(styled.document))) {
        // The plug-in writes its default style for the raster into the sandbox.
        OpenRaster first(session.plugin->Entry());
        if (const int status = OpenRecord(session, file, first, err); status != kExitOk)
            return status;
    }
    try {
        ApplyStyleChanges(styled.document, options.style_changes, BandsView(styled));
    } catch (const std::runtime_error& failure) {
        err << "rhtool: " << failure.what() << "\n";
        return kExitOutputUnwritable;
    }
    return OpenRecord(session, file, raster, err);
}

// --save-style: the sandbox's document becomes the raster's own.
int SaveStyle(const Options& options, const std::string& file, const StyledRaster& styled,
              std::ostream& out, std::ostream& err) {
    if (!options.save_style || !styled.sandbox) return kExitOk;
    const std::string target = StyleDocumentInUse(file).value_or(StyleDocumentBeside(file));
    const std::optional<std::string> text = Platform::ReadFileContents(styled.document);
    std::string error;
    if (!text || !WriteTextFile(target, *text, error)) {
        err << "rhtool: " << (error.empty() ? "cannot read " + styled.document : error) << "\n";
        return kExitOutputUnwritable;
    }
    out << "Saved the style to " << target << "\n";
    return kExitOk;
}

// The document band that a single-band style colours, or -1.
int DrawnDocumentBand(const StyledRaster& styled) {
    if (styled.document.empty()) return -1;
    Colour::RenderStyleSettings style;
    if (!Colour::ColourSerializer::DeserializeRenderStyle(System::Utf8ToWide(styled.document),
                                                          style)
             .success)
        return -1;
    return style.kind == Colour::kRenderStyleRgb ? static_cast<int>(style.red.band)
                                                 : static_cast<int>(style.channel.band);
}

int Info(const Session& session, const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.positional[0];
    const PluginEntryPoints& entry = session.plugin->Entry();
    OpenRaster raster(entry);
    StyledRaster styled;
    if (const int status = OpenWithStyle(session, options, file, raster, styled, err);
        status != kExitOk)
        return status;
    HostRasterRecord* host = raster.Record();

    Report report;
    report.Text("File", file);
    report.Text("Size",
                std::to_string(host->width) + " x " + std::to_string(host->height) + " cells");
    int capability = 0;
    if (entry.get_capabilities(host, &capability))
        report.Integer("Capability flag", capability);
    else
        report.Text("Capability flag",
                    "unavailable (" + PluginErrorWords(host->error_code, 0, 0) + ")");
    std::array<char, 1024> cs{};
    char* cs_buffer = cs.data();
    const bool has_cs =
        entry.get_coordinate_system(host, &cs_buffer, static_cast<int32_t>(cs.size()));
    if (has_cs) {
        report.Text("Coordinate system", cs.data());
        const std::string name = CoordinateSystemName(cs.data());
        if (!name.empty()) report.Text("Coordinate system name", name);
    } else {
        report.Null("Coordinate system");
    }
    if (const RegistrationPoints* points = host->registration) {
        Report& group = report.Group("Registration points");
        for (size_t i = 0; i < 4; ++i) {
            const ControlPoint& p = points->points[i];
            std::ostringstream words;
            words << std::setprecision(15) << "cell (" << p.cell_x << ", " << p.cell_y
                  << ") -> world (" << p.world_x << ", " << p.world_y << ")";
            group.Text("Corner " + std::to_string(i + 1), words.str());
        }
    } else {
        report.Text("Registration points", "none (not georeferenced)");
    }
    uint8_t bgr[3] = {};
    if (entry.get_transparent_colour(host, bgr))
        report.Text("Transparent colour", "red " + std::to_string(bgr[2]) + ", green " +
                                              std::to_string(bgr[1]) + ", blue " +
                                              std::to_string(bgr[0]));
    else
        report.Null("Transparent colour");
    report.Text("Style file", styled.document.empty() ? "none" : styled.document);
    // A style names one of several variables by its field (--field N).
    if (const std::vector<std::string> variables = FieldVariables(file); variables.size() > 1) {
        Report& fields = report.Group("Fields", std::to_string(variables.size()));
        for (size_t i = 0; i < variables.size(); ++i)
            fields.Text("Field " + std::to_string(i + 1), variables[i]);
    }
    if (styled.facts) AddRasterFacts(report, *styled.facts, DrawnDocumentBand(styled));
    if (options.json)
        report.PrintJson(out);
    else
        report.PrintText(out);
    return kExitOk;
}

int Style(const Session& session, const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.positional[0];
    OpenRaster raster(session.plugin->Entry());
    StyledRaster styled;
    if (const int status = OpenWithStyle(session, options, file, raster, styled, err);
        status != kExitOk)
        return status;
    Report report;
    report.Text("File", file);
    report.Text("Style file", options.Styled() ? "(this command's own copy)" : styled.document);
    DescribeStyle(report, styled.document, styled.facts.get(), *styled.palettes);
    if (options.json)
        report.PrintJson(out);
    else
        report.PrintText(out);
    return SaveStyle(options, file, styled, out, err);
}

int Legend(const Session& session, const Options& options, std::ostream& out, std::ostream& err) {
    const std::string& file = options.positional[0];
    OpenRaster raster(session.plugin->Entry());
    StyledRaster styled;
    if (const int status = OpenWithStyle(session, options, file, raster, styled, err);
        status != kExitOk)
        return status;
    std::string svg, error;
    if (!LegendSvg(styled.document, styled.facts.get(), *styled.palettes, svg, error))
        throw UsageError(error);
    if (!WriteTextFile(options.output, svg, error)) {
        err << "rhtool: " << error << "\n";
        return kExitOutputUnwritable;
    }
    out << "Wrote " << options.output << "\n";
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
        if (h > 0x7FFFFFFF) throw UsageError("the picture would be too tall");
        return {*options.width, std::max(1, static_cast<int>(h))};
    }
    const double scale =
        std::min(1.0, static_cast<double>(kDefaultLongestSide) / std::max(cells_x, cells_y));
    return {std::max(1, static_cast<int>(std::lround(cells_x * scale))),
            std::max(1, static_cast<int>(std::lround(cells_y * scale)))};
}

int Draw(const Session& session, const Options& options, bool err_is_terminal, std::ostream& out,
         std::ostream& err) {
    const std::string& file = options.positional[0];
    const std::optional<PictureFormat> format = PictureFormatForPath(options.output);
    if (!format)
        throw UsageError("cannot tell the picture format of " + options.output +
                         " (use .png, .tif or .jpg)");
    if (options.alpha && *format == PictureFormat::kJpeg)
        throw UsageError("JPEG has no transparency: --alpha needs a .png or .tif output");

    const PluginEntryPoints& entry = session.plugin->Entry();
    OpenRaster raster(entry);
    StyledRaster styled;
    if (const int status = OpenWithStyle(session, options, file, raster, styled, err, false);
        status != kExitOk)
        return status;
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
    if (std::max(width, height) > LargestSide(*format))
        throw UsageError(std::string("a ") + PictureFormatName(*format) + " picture has at most " +
                         std::to_string(LargestSide(*format)) + " pixels on a side");
    if (const std::string never = PictureNeverFits(width, height); !never.empty())
        throw UsageError(never);

    PictureSpec spec;
    spec.path = options.output;
    spec.width = width;
    spec.height = height;
    if (options.alpha) {
        uint8_t bgr[3] = {};
        if (entry.get_transparent_colour(host, bgr))
            spec.transparent = std::array<uint8_t, 3>{bgr[2], bgr[1], bgr[0]};
    }
    std::array<char, 1024> cs{};
    char* cs_buffer = cs.data();
    const std::string coordinate_system =
        entry.get_coordinate_system(host, &cs_buffer, static_cast<int32_t>(cs.size())) ? cs.data()
                                                                                       : "";
    std::optional<WorldFile> world;
    if (const RegistrationPoints* points = host->registration) {
        world = WorldFileFor(
            *points, PictureWindow{double(x0), double(y0), double(x1), double(y1), width, height});
        spec.georeference = PictureGeoreference{
            GeoTransformOf(*world), CoordinateSystemWkt(coordinate_system, WktFlavour::kGdal)};
    }

    PictureRequest request;
    request.window = window;
    request.width = width;
    request.height = height;
    request.lines = options.lines;
    request.strip_rows = options.strip_rows;
    spec.streaming = ChooseStripRows(request) > 0;
    std::string error;
    std::unique_ptr<PictureWriter> writer = OpenPictureWriter(*format, spec, error);
    if (!writer) {
        err << "rhtool: " << error << "\n";
        return kExitOutputUnwritable;
    }
    ProgressBar progress(err, err_is_terminal && !options.quiet, height, "Drawing");
    const DrawOutcome outcome = DrawPicture(
        entry, host, request, [&](const uint8_t* row) { return writer->WriteRow(row); },
        [&](int rows) { progress.Update(rows); });
    progress.Finish();
    if (outcome.sink_failed) {
        err << "rhtool: " << writer->Error() << "\n";
        return kExitOutputUnwritable;
    }
    if (!outcome.ok) {
        const std::string unreadable =
            outcome.error_code == RH_ERROR_ENGINE ? UnreadableCellsReason(file) : std::string();
        err << "rhtool: drawing " << file << " failed ("
            << PluginErrorWords(outcome.error_code, width, height) << ")"
            << (unreadable.empty() ? "" : ": its cells cannot be read: " + unreadable) << "\n";
        return kExitDrawFailed;
    }
    if (!writer->Finish()) {
        err << "rhtool: " << writer->Error() << "\n";
        return kExitOutputUnwritable;
    }
    out << "Wrote " << options.output << " (" << width << " x " << height << ")\n";
    if (world && *format != PictureFormat::kGeoTiff) {
        const std::string world_path = WorldFilePath(options.output);
        if (!WriteWorldFile(world_path, *world, error)) {
            err << "rhtool: " << error << "\n";
            return kExitOutputUnwritable;
        }
        out << "Wrote " << world_path << "\n";
        const std::string wkt = CoordinateSystemWkt(coordinate_system, WktFlavour::kEsri);
        if (!wkt.empty()) {
            const std::string prj_path = SidecarPath(options.output, ".prj");
            if (!WriteTextFile(prj_path, wkt, error)) {
                err << "rhtool: " << error << "\n";
                return kExitOutputUnwritable;
            }
            out << "Wrote " << prj_path << "\n";
        }
    }
    return SaveStyle(options, file, styled, out, err);
}

int Run(const std::vector<std::string>& args, bool err_is_terminal, std::ostream& out,
        std::ostream& err) {
    const Options options = ParseOptions(args);
    if (options.help) {
        out << HelpFor(options.command);
        return kExitOk;
    }
    if (options.version) return Version(out);
    const std::string& command = options.command;
    if (command == "identify" && !options.positional.empty())
        throw UsageError("identify takes no arguments");
    if (command != "identify" && options.positional.size() != 1)
        throw UsageError(command + " takes one FILE");
    if (command == "draw") {
        if (options.output.empty()) throw UsageError("draw needs -o OUT.png");
        if (options.size && options.width) throw UsageError("give --size or --width, not both");
    }
    if (command == "legend" && options.output.empty()) throw UsageError("legend needs -o OUT.svg");

    Session session;
    if (const int status = StartSession(options, session, err); status != kExitOk) return status;
    if (command == "identify") return Identify(session, out);
    if (command == "info") return Info(session, options, out, err);
    if (command == "style") return Style(session, options, out, err);
    if (command == "legend") return Legend(session, options, out, err);
    return Draw(session, options, err_is_terminal, out, err);
}

}  // namespace

int RunRhtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
              bool err_is_terminal) {
    try {
        return Run(args, err_is_terminal, out, err);
    } catch (const UsageError& usage) {
        err << "rhtool: " << usage.Message() << "\nRun \"rhtool --help\" for usage.\n";
        return kExitUsage;
    } catch (const std::exception& failure) {
        err << "rhtool: " << failure.what() << "\n";
        return kExitDrawFailed;
    }
}

}  // namespace Tarn::Tools

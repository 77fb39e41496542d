// rhtool in-process with the built plug-in: identify and info, pictures north-up whole and for a
// cell window (read back with libpng), the world file beside them, lines against the block, and
// each exit code.
#include "tests/tools/rhtool_fixture.h"

namespace {

using namespace Tarn::Tools::Test;
using Tarn::Tools::RunRhtool;

TEST_F(Rhtool, IdentifyPrintsTheRecordInWords) {
    ASSERT_EQ(Run({"identify"}), Tarn::Tools::kExitOk) << err_;
    EXPECT_NE(out_.find("Interface version: 3\n"), std::string::npos) << out_;
    EXPECT_NE(out_.find("File name: KVRasterHandlerGDAL.RHA\n"), std::string::npos) << out_;
    EXPECT_NE(out_.find("Description: KVRaster Handler\n"), std::string::npos) << out_;
    EXPECT_NE(out_.find(" tif"), std::string::npos) << out_;
}

TEST_F(Rhtool, InfoReportsSizeCornersAndTheStyleFile) {
    const fs::path dem = dir_ / "dem.tif";
    WriteHighNorth(dem, 8, 6);
    ASSERT_EQ(Run({"info", dem.string()}), Tarn::Tools::kExitOk) << err_;
    for (const std::string& expected : std::vector<std::string>{
             "Size: 8 x 6 cells\n", "Coordinate system: EPSG:32633\n",
             "cell (0, 0) -> world (1000, 5000)\n", "cell (8, 6) -> world (1080, 4940)\n",
             "Style file: " + (dir_ / "dem_tif.ghx").string() + "\n"})
        EXPECT_NE(out_.find(expected), std::string::npos) << expected << " in\n" << out_;

    const fs::path plain = dir_ / "plain.tif";
    WriteHighNorth(plain, 5, 4, false);
    ASSERT_EQ(Run({"info", plain.string()}), Tarn::Tools::kExitOk) << err_;
    EXPECT_NE(out_.find("Registration points: none"), std::string::npos) << out_;
}

// Pictures of a raster whose north half is high ground (red in the default colours) and whose
// south half is low (blue): the PNG's first rows are the north.
struct OrientationCase {
    const char* name;
    std::vector<std::string> options;
    int width, height;
    int first_blue_row;  // rows above it are red, the rest blue
    int blended = 0;     // rows either side of it that a magnified picture blends
};

void PrintTo(const OrientationCase& c, std::ostream* os) {
    *os << c.name;
}

class Orientation : public Rhtool, public ::testing::WithParamInterface<OrientationCase> {};

TEST_P(Orientation, NorthIsUp) {
    const OrientationCase& c = GetParam();
    WithoutShading();
    const fs::path dem = dir_ / "dem.tif";
    WriteHighNorth(dem, 16, 12);  // rows 0 to 5 high, 6 to 11 low
    const fs::path png = dir_ / "dem.png";
    std::vector<std::string> args = {"draw", dem.string(), "-o", png.string()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    ASSERT_EQ(Run(args), Tarn::Tools::kExitOk) << err_;
    const Png picture = ReadPng(png);
    ASSERT_EQ(picture.width, c.width);
    ASSERT_EQ(picture.height, c.height);
    for (int y = 0; y < picture.height; ++y) {
        if (y >= c.first_blue_row - c.blended && y < c.first_blue_row + c.blended) continue;
        for (int x = 0; x < picture.width; ++x) {
            if (y < c.first_blue_row)
                EXPECT_TRUE(picture.Reddish(x, y)) << x << ", " << y;
            else
                EXPECT_TRUE(picture.Bluish(x, y)) << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, Orientation,
    ::testing::Values(
        OrientationCase{"Whole", {}, 16, 12, 6},
        OrientationCase{"WholeLineByLine", {"--lines"}, 16, 12, 6},
        OrientationCase{"Enlarged", {"--size", "32x24"}, 32, 24, 12, 2},
        // Rows 4 to 11 from the north: two high rows, then six low ones.
        OrientationCase{"Window", {"--cells", "0,4,16,12"}, 16, 8, 2},
        OrientationCase{"WindowLineByLine", {"--cells", "2,4,10,12", "--lines"}, 8, 8, 2},
        OrientationCase{"WindowByWidth", {"--cells", "0,4,16,12", "--width", "8"}, 8, 4, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Rhtool, LinesGiveTheSamePictureAsTheBlock) {
    const fs::path dem = dir_ / "dem.tif";
    GDALDatasetH dataset = CreateTiff(dem, 64, 42, 1, GDT_Float32);
    ASSERT_NE(dataset, nullptr);
    FillBand(dataset, 1, 64, 42, [](int x, int y) { return std::sin(x / 5.0) * 40 + y * y; });
    GDALClose(dataset);
    // Shrunk by whole and by uneven factors (42 rows to 18 and to 36 put a line's product just
    // below a whole number), and enlarged.
    for (const char* size : {"64x42", "32x21", "30x18", "64x36", "20x7", "100x90"}) {
        SCOPED_TRACE(size);
        const fs::path block = dir_ / "block.png", lines = dir_ / "lines.png";
        ASSERT_EQ(Run({"draw", dem.string(), "-o", block.string(), "--size", size}), 0) << err_;
        ASSERT_EQ(Run({"draw", dem.string(), "-o", lines.string(), "--size", size, "--lines"}), 0)
            << err_;
        EXPECT_EQ(ReadPng(block).rgb, ReadPng(lines).rgb);
    }
}

TEST_F(Rhtool, WorldFilePlacesThePixelsOfTheWindow) {
    const fs::path dem = dir_ / "dem.tif";
    WriteHighNorth(dem, 8, 6);
    const fs::path png = dir_ / "out.png";
    // 10 m cells from (1000, 5000); the world file names the centre of the top-left pixel.
    struct Case {
        std::vector<std::string> options;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {{}, {10, 0, 0, -10, 1005, 4995}},
        // Columns 2 to 5 and rows 1 to 3 at two pixels per cell.
        {{"--cells", "2,1,6,4", "--size", "8x6"}, {5, 0, 0, -5, 1022.5, 4987.5}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"draw", dem.string(), "-o", png.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        ASSERT_EQ(Run(args), Tarn::Tools::kExitOk) << err_;
        const std::vector<double> world = ReadWorldFile(dir_ / "out.pgw");
        ASSERT_EQ(world.size(), 6u);
        for (size_t i = 0; i < 6; ++i) EXPECT_NEAR(world[i], c.expected[i], 1e-9) << i;
    }
}

TEST_F(Rhtool, RasterWithoutGeoreferencingGetsNoWorldFile) {
    const fs::path plain = dir_ / "plain.tif";
    WriteHighNorth(plain, 8, 6, false);
    ASSERT_EQ(Run({"draw", plain.string(), "-o", (dir_ / "plain.png").string()}), 0) << err_;
    EXPECT_TRUE(fs::exists(dir_ / "plain.png"));
    EXPECT_FALSE(fs::exists(dir_ / "plain.pgw"));
    EXPECT_EQ(out_.find(".pgw"), std::string::npos) << out_;
}

struct ExitCase {
    const char* name;
    // Prepares what the command needs in the directory and gives the arguments.
    std::function<std::vector<std::string>(const fs::path& dir)> arrange;
    int code;
    const char* message;  // part of what rhtool prints on stderr
};

void PrintTo(const ExitCase& c, std::ostream* os) {
    *os << c.name;
}

class Exits : public Rhtool, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(Exits, SayWhyWithTheirOwnCode) {
    const ExitCase& c = GetParam();
    EXPECT_EQ(Run(c.arrange(dir_)), c.code) << err_;
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(dir_ / "out.png"));
}

std::vector<std::string> DrawDem(const fs::path& dir, std::vector<std::string> options) {
    WriteHighNorth(dir / "dem.tif", 8, 6);
    std::vector<std::string> args = {"draw", (dir / "dem.tif").string(), "-o",
                                     (dir / "out.png").string()};
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, Exits,
    ::testing::Values(
        ExitCase{"NoCommand", [](const fs::path&) { return std::vector<std::string>{}; }, 1,
                 "no command given"},
        ExitCase{"UnknownOption",
                 [](const fs::path& d) {
                     return DrawDem(d, {"--colour", "red"});
                 },
                 1, "unknown option --colour"},
        ExitCase{"DrawWithoutOutput",
                 [](const fs::path& d) {
                     WriteHighNorth(d / "dem.tif", 8, 6);
                     return std::vector<std::string>{"draw", (d / "dem.tif").string()};
                 },
                 1, "draw needs -o OUT.png"},
        ExitCase{"BadSize",
                 [](const fs::path& d) {
                     return DrawDem(d, {"--size", "8by6"});
                 },
                 1, "bad size"},
        ExitCase{"SizeAndWidth",
                 [](const fs::path& d) {
                     return DrawDem(d, {"--size", "8x6", "--width", "4"});
                 },
                 1, "not both"},
        ExitCase{"WindowOutsideTheRaster",
                 [](const fs::path& d) {
                     return DrawDem(d, {"--cells", "0,0,9,6"});
                 },
                 1, "must lie inside"},
        ExitCase{"FileNotTaken",
                 [](const fs::path& d) {
                     std::ofstream(d / "notes.txt") << "not a raster";
                     return std::vector<std::string>{"draw", (d / "notes.txt").string(), "-o",
                                                     (d / "out.png").string()};
                 },
                 3, "is not a raster"},
        ExitCase{"MissingFile",
                 [](const fs::path& d) {
                     return std::vector<std::string>{"info", (d / "missing.tif").string()};
                 },
                 3, "no such file"},
        ExitCase{"DrawFailed",
                 [](const fs::path& d) {
                     WriteUnreadableComposite(d / "bands.tif");
                     WriteStyle(d / "bands_tif.ghx", "Palette", 0);
                     return std::vector<std::string>{"draw", (d / "bands.tif").string(), "-o",
                                                     (d / "out.png").string()};
                 },
                 5, "failed (error code 2"},
        ExitCase{"OutputUnwritable",
                 [](const fs::path& d) {
                     WriteHighNorth(d / "dem.tif", 8, 6);
                     return std::vector<std::string>{"draw", (d / "dem.tif").string(), "-o",
                                                     (d / "no" / "such" / "out.png").string()};
                 },
                 6, "cannot create"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Rhtool, PluginThatCannotBeLoaded) {
    std::ostringstream out, err;
    EXPECT_EQ(RunRhtool({"--handler", (dir_ / "none.rha").string(), "identify"}, out, err),
              Tarn::Tools::kExitPluginUnusable);
    EXPECT_NE(err.str().find("cannot load the plug-in"), std::string::npos) << err.str();
}

TEST_F(Rhtool, HelpDescribesEachCommand) {
    for (const auto& [command, expected] : std::vector<std::pair<std::string, std::string>>{
             {"", "Commands:"}, {"draw", "--cells X0,Y0,X1,Y1"}, {"info", "registration points"}}) {
        std::vector<std::string> args = {"--help"};
        if (!command.empty()) args.insert(args.begin(), command);
        EXPECT_EQ(Run(args), Tarn::Tools::kExitOk);
        EXPECT_NE(out_.find(expected), std::string::npos) << command << ":\n" << out_;
    }
}

}  // namespace

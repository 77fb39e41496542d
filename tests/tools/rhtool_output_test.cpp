// rhtool's outputs read back (PNG with its world and .prj files, GeoTIFF and JPEG through GDAL,
// transparency through libpng and GDAL), pictures drawn in strips against the one-piece
// picture, and the messages for files that cannot be drawn and outputs that cannot be written.
#include <cpl_string.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/tools/rhtool_fixture.h"
#include "tools/draw_picture.h"
#include "tools/parallel_deflate.h"

namespace {

using namespace Tarn::Tools::Test;
using Tarn::Tools::kExitOk;
using Tarn::Tools::kExitUsage;

// 10 m cells from (1000, 5000) in UTM 33 north, as CreateTiff places them.
const double kGeoTransform[6] = {1000, 10, 0, 5000, 0, -10};

// A DEM with relief everywhere and a corner without data (the no-data value -9999).
void WriteDemWithHole(const fs::path& path, int width, int height) {
    GDALDatasetH dataset = CreateTiff(path, width, height, 1, GDT_Float32);
    GDALSetRasterNoDataValue(GDALGetRasterBand(dataset, 1), -9999);
    FillBand(dataset, 1, width, height, [](int x, int y) {
        return x < 6 && y < 6 ? -9999 : 400 + 60 * std::sin(x / 4.0) * std::cos(y / 5.0) + 3 * y;
    });
    GDALClose(dataset);
}

int EpsgOfWkt(const std::string& wkt) {
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    char* text = const_cast<char*>(wkt.c_str());
    const bool read = OSRImportFromWkt(srs, &text) == OGRERR_NONE;
    int epsg = 0;
    if (read && OSRAutoIdentifyEPSG(srs) == OGRERR_NONE) {
        const char* code = OSRGetAuthorityCode(srs, nullptr);
        if (code != nullptr) epsg = std::atoi(code);
    }
    OSRDestroySpatialReference(srs);
    return epsg;
}

std::string FileText(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Outputs : public Rhtool {
protected:
    void SetUp() override {
        Rhtool::SetUp();
        WriteDemWithHole(dir_ / "dem.tif", 40, 30);
    }
    int Draw(const std::string& output, std::vector<std::string> options = {}) {
        std::vector<std::string> args = {"draw", (dir_ / "dem.tif").string(), "-o",
                                         (dir_ / output).string()};
        args.insert(args.end(), options.begin(), options.end());
        return Run(args);
    }
};

TEST_F(Outputs, PngWithWorldAndProjectionFiles) {
    ASSERT_EQ(Draw("dem.png"), kExitOk) << err_;
    const Png picture = ReadPng(dir_ / "dem.png");
    EXPECT_EQ(picture.width, 40);
    EXPECT_EQ(picture.height, 30);
    const std::vector<double> world = ReadWorldFile(dir_ / "dem.pgw");
    EXPECT_EQ(world, (std::vector<double>{10, 0, 0, -10, 1005, 4995}));
    const std::string prj = FileText(dir_ / "dem.prj");
    EXPECT_EQ(prj.rfind("PROJCS[\"WGS_1984_UTM_Zone_33N\"", 0), 0u) << prj;
}

// GDAL reads the GeoTIFF and the JPEG with its world file back as the PNG's pixels and place.
TEST_F(Outputs, GeoTiffAndJpegReadBackThroughGdal) {
    ASSERT_EQ(Draw("dem.png"), kExitOk) << err_;
    const Png png = ReadPng(dir_ / "dem.png");
    for (const char* name : {"dem.tif", "dem.jpg"}) {
        SCOPED_TRACE(name);
        const bool tiff = std::string(name) == "dem.tif";
        ASSERT_EQ(Draw(std::string("out-") + name), kExitOk) << err_;
        GDALDatasetH dataset = GDALOpen((dir_ / (std::string("out-") + name)).c_str(), GA_ReadOnly);
        ASSERT_NE(dataset, nullptr);
        EXPECT_EQ(GDALGetRasterXSize(dataset), 40);
        EXPECT_EQ(GDALGetRasterYSize(dataset), 30);
        ASSERT_EQ(GDALGetRasterCount(dataset), 3);
        double transform[6] = {};
        ASSERT_EQ(GDALGetGeoTransform(dataset, transform), CE_None);
        for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(transform[i], kGeoTransform[i]) << i;
        std::vector<uint8_t> rgb(size_t(40) * 30 * 3);
        ASSERT_EQ(GDALDatasetRasterIO(dataset, GF_Read, 0, 0, 40, 30, rgb.data(), 40, 30, GDT_Byte,
                                      3, nullptr, 3, 40 * 3, 1),
                  CE_None);
        if (tiff) {
            EXPECT_EQ(rgb, png.rgb);  // lossless
            EXPECT_EQ(EpsgOfWkt(GDALGetProjectionRef(dataset)), 32633);
            EXPECT_STREQ(GDALGetMetadataItem(dataset, "COMPRESSION", "IMAGE_STRUCTURE"), "DEFLATE");
            int block_x = 0, block_y = 0;
            GDALGetBlockSize(GDALGetRasterBand(dataset, 1), &block_x, &block_y);
            EXPECT_EQ(block_x, 256);
            EXPECT_FALSE(fs::exists(dir_ / "out-dem.tfw"));
        } else {
            double error = 0;
            for (size_t i = 0; i < rgb.size(); ++i) error += std::abs(rgb[i] - png.rgb[i]);
            EXPECT_LT(error / rgb.size(), 12.0);  // lossy, but the same picture
            EXPECT_TRUE(fs::exists(dir_ / "out-dem.jgw"));
        }
        GDALClose(dataset);
    }
}

TEST_F(Outputs, AlphaMakesNoDataTransparent) {
    ASSERT_EQ(Draw("a.png", {"--alpha"}), kExitOk) << err_;
    const Png png = ReadPng(dir_ / "a.png", true);
    ASSERT_EQ(png.width, 40);
    EXPECT_EQ(png.Alpha(2, 2), 0);
    EXPECT_EQ(png.Alpha(20, 20), 255);

    ASSERT_EQ(Draw("a.tif", {"--alpha"}), kExitOk) << err_;
    GDALDatasetH dataset = GDALOpen((dir_ / "a.tif").c_str(), GA_ReadOnly);
    ASSERT_NE(dataset, nullptr);
    ASSERT_EQ(GDALGetRasterCount(dataset), 4);
    GDALRasterBandH alpha = GDALGetRasterBand(dataset, 4);
    EXPECT_EQ(GDALGetRasterColorInterpretation(alpha), GCI_AlphaBand);
    uint8_t values[2] = {};
    ASSERT_EQ(GDALRasterIO(alpha, GF_Read, 2, 2, 1, 1, &values[0], 1, 1, GDT_Byte, 0, 0), CE_None);
    ASSERT_EQ(GDALRasterIO(alpha, GF_Read, 20, 20, 1, 1, &values[1], 1, 1, GDT_Byte, 0, 0),
              CE_None);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 255);
    GDALClose(dataset);
}

// A stream made of parts compressed apart inflates to the data, whatever the number of parts,
// including parts too small to hold more than one block.
TEST(ParallelZlibCompress, PartsJoinIntoOneStream) {
    std::vector<uint8_t> data(300000);
    uint32_t state = 12345;
    for (size_t i = 0; i < data.size(); ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = static_cast<uint8_t>((i / 7) % 50 + ((state >> 16) & 7));  // runs and noise
    }
    for (const size_t size : {size_t{0}, size_t{5}, data.size()}) {
        for (const int parts : {1, 2, 3, 7}) {
            SCOPED_TRACE(::testing::Message() << size << " bytes in " << parts << " parts");
            const std::vector<uint8_t> stream =
                Tarn::Tools::ParallelZlibCompress(data.data(), size, 1, parts);
            ASSERT_FALSE(stream.empty());
            std::vector<uint8_t> back(size + 1);
            uLongf back_size = back.size();
            ASSERT_EQ(uncompress(back.data(), &back_size, stream.data(), stream.size()), Z_OK);
            ASSERT_EQ(back_size, size);
            EXPECT_TRUE(std::equal(data.begin(), data.begin() + long(size), back.begin()));
        }
    }
}

// Strip edges fall on whole cell rows; each strip is a cell window of at least one row.
TEST(PlanStrips, CoverThePictureWithWholeCellRows) {
    struct Case {
        int cell_y0, cell_y1, height, most_rows;
        int expected_rows;  // of every strip but the last
    };
    for (const Case& c : {Case{0, 3000, 1000, 64, 64}, Case{10, 40, 10, 4, 4},
                          Case{0, 30, 20, 7, 6}, Case{0, 3, 10, 4, 4}, Case{0, 7, 3, 2, 2}}) {
        SCOPED_TRACE(::testing::Message() << c.cell_y1 - c.cell_y0 << " cells to " << c.height);
        const auto strips = Tarn::Tools::PlanStrips(c.cell_y0, c.cell_y1, c.height, c.most_rows);
        ASSERT_FALSE(strips.empty());
        int row = 0, cell = c.cell_y0;
        for (const auto& strip : strips) {
            EXPECT_EQ(strip.first_row, row);
            EXPECT_EQ(strip.cell_y0, cell);
            EXPECT_GT(strip.rows, 0);
            EXPECT_GT(strip.cell_y1, strip.cell_y0);
            if (&strip != &strips.back()) {
                EXPECT_EQ(strip.rows, c.expected_rows);
            }
            row += strip.rows;
            cell = strip.cell_y1;
        }
        EXPECT_EQ(row, c.height);
        EXPECT_EQ(cell, c.cell_y1);
    }
}

// A picture drawn in strips of rows equals the one-piece picture byte for byte: unshaded at any
// aligned scale, and shaded at one cell per pixel once each window shades its border rows from
// the cells beyond it.
TEST_F(Outputs, StripsEqualTheOnePiecePicture) {
    struct Case {
        std::vector<std::string> options;
    };
    for (const Case& c : {Case{{"--no-shade"}}, Case{{"--no-shade", "--size", "20x15"}},
                          Case{{"--no-shade", "--lines"}}, Case{{"--shade"}},
                          Case{{"--shade", "--light", "200,30"}}}) {
        SCOPED_TRACE(::testing::PrintToString(c.options));
        ASSERT_EQ(Draw("whole.png", c.options), kExitOk) << err_;
        std::vector<std::string> in_strips = c.options;
        in_strips.insert(in_strips.end(), {"--strip-rows", "7"});
        ASSERT_EQ(Draw("strips.png", in_strips), kExitOk) << err_;
        EXPECT_EQ(ReadPng(dir_ / "strips.png").rgb, ReadPng(dir_ / "whole.png").rgb);
    }
}

struct MessageCase {
    const char* name;
    // Prepares what the command needs in the directory and gives the arguments.
    std::function<std::vector<std::string>(const fs::path& dir)> arrange;
    int code;
    const char* message;  // part of what rhtool prints on stderr
};

void PrintTo(const MessageCase& c, std::ostream* os) {
    *os << c.name;
}

class Messages : public Rhtool, public ::testing::WithParamInterface<MessageCase> {};

TEST_P(Messages, SayWhatWentWrong) {
    const MessageCase& c = GetParam();
    EXPECT_EQ(Run(c.arrange(dir_)), c.code) << err_;
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(dir_ / "out.png"));
}

std::vector<std::string> DrawTo(const fs::path& raster, const fs::path& output,
                                std::vector<std::string> options = {}) {
    std::vector<std::string> args = {"draw", raster.string(), "-o", output.string()};
    args.insert(args.end(), options.begin(), options.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Draws, Messages,
    ::testing::Values(
        MessageCase{"MissingFile",
                    [](const fs::path& d) { return DrawTo(d / "missing.tif", d / "out.png"); }, 3,
                    "no such file: "},
        MessageCase{"Directory",
                    [](const fs::path& d) {
                        fs::create_directory(d / "folder.tif");
                        return DrawTo(d / "folder.tif", d / "out.png");
                    },
                    3, "folder.tif is a directory"},
        MessageCase{"EmptyFile",
                    [](const fs::path& d) {
                        std::ofstream(d / "empty.tif").flush();
                        return DrawTo(d / "empty.tif", d / "out.png");
                    },
                    3, "empty.tif is empty"},
        MessageCase{"NotARaster",
                    [](const fs::path& d) {
                        std::ofstream(d / "notes.tif") << "shopping list";
                        return DrawTo(d / "notes.tif", d / "out.png");
                    },
                    3, "is not a raster (no GDAL driver reads it)"},
        MessageCase{"ExtensionNotServed",
                    [](const fs::path& d) {
                        WriteHighNorth(d / "dem.xyz", 8, 6);
                        return DrawTo(d / "dem.xyz", d / "out.png");
                    },
                    3, "\".xyz\" files are not among its formats"},
        MessageCase{"EngineFailed",
                    [](const fs::path& d) {
                        WriteUnreadableComposite(d / "bands.tif");
                        WriteStyle(d / "bands_tif.ghx", "Palette", 0);
                        return DrawTo(d / "bands.tif", d / "out.png");
                    },
                    5,
                    "bands.tif failed (error code 2: the engine or the style failed): its cells "
                    "cannot be read: TIFFRead"},
        MessageCase{"DirectoryOfTheOutputMissing",
                    [](const fs::path& d) {
                        WriteHighNorth(d / "dem.tif", 8, 6);
                        return DrawTo(d / "dem.tif", d / "no" / "out.png");
                    },
                    6, "No such file or directory"},
        MessageCase{"UnknownPictureFormat",
                    [](const fs::path& d) {
                        WriteHighNorth(d / "dem.tif", 8, 6);
                        return DrawTo(d / "dem.tif", d / "out.bmp");
                    },
                    1, "cannot tell the picture format of"},
        MessageCase{"JpegWithAlpha",
                    [](const fs::path& d) {
                        WriteHighNorth(d / "dem.tif", 8, 6);
                        return DrawTo(d / "dem.tif", d / "out.jpg", {"--alpha"});
                    },
                    1, "JPEG has no transparency"},
        MessageCase{"JpegTooLarge",
                    [](const fs::path& d) {
                        WriteHighNorth(d / "dem.tif", 8, 6);
                        return DrawTo(d / "dem.tif", d / "out.jpg", {"--size", "70000x2"});
                    },
                    1, "at most 65500 pixels"},
        // Refused before any work: no strip of such a picture fits.
        MessageCase{"NeverFits",
                    [](const fs::path& d) {
                        WriteHighNorth(d / "dem.tif", 8, 6);
                        return DrawTo(d / "dem.tif", d / "out.png", {"--size", "300000000x2"});
                    },
                    1, "more than the engine can draw in one row"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Rhtool, VersionAndHelpFromTheOptionTable) {
    ASSERT_EQ(Run({"--version"}), kExitOk);
    EXPECT_EQ(out_.rfind("rhtool 1.0 (GDAL ", 0), 0u) << out_;
    ASSERT_EQ(Run({"draw", "--help"}), kExitOk);
    for (const char* option : {"--palette NAME|PATH", "--light AZ,EL", "--highlight AZ,EL,SIZE",
                               "--stretch P1,P2", "--alpha", "--save-style"})
        EXPECT_NE(out_.find(option), std::string::npos) << option << " in\n" << out_;
}

TEST_F(Rhtool, InfoAndStyleAsJson) {
    WriteDemWithHole(dir_ / "dem.tif", 40, 30);
    ASSERT_EQ(Run({"info", (dir_ / "dem.tif").string(), "--json"}), kExitOk) << err_;
    for (const char* expected :
         {"\"data_type\": \"Float32\"", "\"bands\": 1", "\"no_data\": -9999",
          "\"cell_size\": [10, 10]", "\"coordinate_system_name\": \"WGS 84 / UTM zone 33N\"",
          "\"minimum\": "})
        EXPECT_NE(out_.find(expected), std::string::npos) << expected << " in\n" << out_;
    ASSERT_EQ(Run({"style", (dir_ / "dem.tif").string(), "--json", "--palette", "Terrain",
                   "--light", "45,30", "--stretch", "2,98"}),
              kExitOk)
        << err_;
    for (const char* expected :
         {"\"kind\": \"Pseudo\"", "\"palette\": \"Terrain.lut\"", "\"light_azimuth\": 45",
          "\"light_elevation\": 30", "\"limits\": \"percentiles 2 to 98\""})
        EXPECT_NE(out_.find(expected), std::string::npos) << expected << " in\n" << out_;
}

}  // namespace

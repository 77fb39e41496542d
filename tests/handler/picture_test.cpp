// RH_GetLine, RH_GetBlock and RH_EndDraw on a hand-made picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "handler/handler_context.h"
#include "handler/rh_api.h"

using Tarn::Handler::HandlerContext;

namespace {

// A 2 x 3 picture whose every byte in row r is r, drawn for cell rows 10..16 at two cell lines
// per picture row, into an output rectangle that does not start at the origin.
class PictureTest : public ::testing::Test {
protected:
    void SetUp() override {
        context_ = new HandlerContext;
        context_->output_rect = {5, 7, 7, 10};
        context_->cell_rect = {0, 10, 4, 16};
        context_->lines_per_row = 2.0;
        context_->pixels = static_cast<uint8_t*>(std::malloc(kRowBytes * kRows));
        for (int r = 0; r < kRows; ++r) std::memset(context_->pixels + r * kRowBytes, r, kRowBytes);
        context_->picture_ready = true;
        host_.context = context_;
        host_.error_code = 99;
    }
    void TearDown() override { RH_Close(&host_); }

    int RowOfLine(int32_t line) {
        uint8_t* row = nullptr;
        int16_t flag = 7;
        if (!RH_GetLine(&host_, line, &row, &flag)) return -1;
        EXPECT_EQ(flag, 0);
        return static_cast<int>((row - context_->pixels) / kRowBytes);
    }

    static constexpr int kRowBytes = 2 * 3;
    static constexpr int kRows = 3;
    HostRasterRecord host_{};
    HandlerContext* context_ = nullptr;
};

TEST_F(PictureTest, LinesCountFromTheBottomRowAndStayInsideThePicture) {
    struct Case {
        int32_t line;
        int row;  // -1: refused
    };
    const Case cases[] = {
        {10, 2},         {11, 2},         {12, 1},  {13, 1},
        {14, 0},         {15, 0},         {16, -1},  // one step past the top row
        {9, 2},   // (9 - 10) / 2 truncates toward zero, to step 0
        {8, -1},  // a step below the bottom row
        {INT32_MAX, -1}, {INT32_MIN, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(RowOfLine(c.line), c.row) << "line " << c.line;
    EXPECT_EQ(host_.error_code, 0);
}

TEST_F(PictureTest, ZeroLinesPerRowIsRefusedNotDividedBy) {
    context_->lines_per_row = 0.0;
    EXPECT_EQ(RowOfLine(10), -1);
}

TEST_F(PictureTest, BlockIsUpsideDownAndASecondCallTurnsItBack) {
    uint8_t* pixels = nullptr;
    DrawRect rect{};
    ASSERT_EQ(RH_GetBlock(&host_, &pixels, &rect), 1);
    EXPECT_EQ(pixels, context_->pixels);
    EXPECT_EQ(rect.x0, 5);
    EXPECT_EQ(rect.y0, 7);
    EXPECT_EQ(rect.x1, 7);
    EXPECT_EQ(rect.y1, 10);
    for (int r = 0; r < kRows; ++r) EXPECT_EQ(pixels[r * kRowBytes], kRows - 1 - r);

    ASSERT_EQ(RH_GetBlock(&host_, &pixels, &rect), 1);
    for (int r = 0; r < kRows; ++r) EXPECT_EQ(pixels[r * kRowBytes + 5], r);
    EXPECT_EQ(host_.error_code, 0);
}

TEST_F(PictureTest, NothingIsServedAfterEndDraw) {
    ASSERT_EQ(RH_EndDraw(&host_), 1);
    EXPECT_EQ(context_->pixels, nullptr);
    uint8_t* pixels = nullptr;
    DrawRect rect{};
    EXPECT_EQ(RH_GetBlock(&host_, &pixels, &rect), 0);
    EXPECT_EQ(RowOfLine(10), -1);
    EXPECT_EQ(RH_EndDraw(&host_), 1);  // ending twice is harmless
}

TEST_F(PictureTest, NullArgumentsAreRefused) {
    uint8_t* pixels = nullptr;
    DrawRect rect{};
    int16_t flag = 0;
    EXPECT_EQ(RH_GetBlock(nullptr, &pixels, &rect), 0);
    EXPECT_EQ(RH_GetBlock(&host_, nullptr, &rect), 0);
    EXPECT_EQ(RH_GetBlock(&host_, &pixels, nullptr), 0);
    EXPECT_EQ(RH_GetLine(nullptr, 10, &pixels, &flag), 0);
    EXPECT_EQ(RH_GetLine(&host_, 10, nullptr, &flag), 0);
    EXPECT_EQ(RH_EndDraw(nullptr), 0);
}

}  // namespace

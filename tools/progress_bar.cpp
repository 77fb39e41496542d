// Drawing and clearing the progress line.
#include "tools/progress_bar.h"

#include <algorithm>

namespace Tarn::Tools {
namespace {

constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kBarWidth = 40;

}  // namespace

ProgressBar::ProgressBar(std::ostream& err, bool enabled, int64_t total, std::string label)
    : err_(err), enabled_(enabled && total > 0), total_(total), label_(std::move(label)) {}

void ProgressBar::Update(int64_t done) {
    if (!enabled_) return;
    const Clock::time_point now = Clock::now();
    if (now - start_ < kQuietStart || (drawn_ && now - last_drawn_ < kRedrawEvery)) return;
    last_drawn_ = now;
    drawn_ = true;
    const double fraction = std::clamp(double(done) / double(total_), 0.0, 1.0);
    const int filled = static_cast<int>(fraction * kBarWidth);
    err_ << "\r" << label_ << " [" << std::string(size_t(filled), '#')
         << std::string(size_t(kBarWidth - filled), '.') << "] " << int(fraction * 100) << "% "
         << std::flush;
}

void ProgressBar::Finish() {
    if (!drawn_) return;
    drawn_ = false;
    err_ << "\r" << std::string(label_.size() + kBarWidth + 9, ' ') << "\r" << std::flush;
}

}  // namespace Tarn::Tools

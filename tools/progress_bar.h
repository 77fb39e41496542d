// A progress bar on standard error for long draws: drawn only on a terminal, only once the work
// has taken more than a second, and cleared when it ends.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace Tarn::Tools {

class ProgressBar {
public:
    // `enabled`: standard error is a terminal and the user did not ask for quiet.
    ProgressBar(std::ostream& err, bool enabled, int64_t total, std::string label);
    ~ProgressBar() { Finish(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void Update(int64_t done);
    // Clears the bar from the line, if it was drawn.
    void Finish();

private:
    using Clock = std::chrono::steady_clock;
    std::ostream& err_;
    bool enabled_;
    int64_t total_;
    std::string label_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point last_drawn_{};
    bool drawn_ = false;
};

}  // namespace Tarn::Tools

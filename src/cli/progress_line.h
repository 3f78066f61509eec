#pragma once
// The progress line of the command-line tool on standard error: the stage,
// the share done (or the steps so far when the total is not known) and the
// seconds since the work began. On a terminal the line is rewritten in
// place; elsewhere (a pipe, a log file) nothing is printed unless asked for,
// and then one line is written per stage and second.
#include <chrono>
#include <cstdio>
#include <string>

#include "common/feedback.h"

namespace pravel::cli {

enum class ProgressMode {
    Automatic,  // on a terminal only
    Lines,      // always, as whole lines (--progress)
};

// Set once by main from the command line.
void set_progress_mode(ProgressMode mode);

// "evaluation: 45 % (1234 of 2742), 3.2 s"; without a total
// "breakpoint search: restarts: step 812, best 56851.7, 3.2 s".
std::string progress_text(const Feedback::Progress& p, double seconds);

class ProgressLine {
public:
    // `out` null: standard error.
    explicit ProgressLine(std::FILE* out = nullptr);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // The channel to hand to long work; null when nothing is to be printed.
    Feedback* feedback() { return enabled_ ? &feedback_ : nullptr; }

private:
    void print(const Feedback::Progress& p);

    std::FILE* out_;
    bool terminal_;
    bool enabled_;
    bool open_line_ = false;  // a terminal line not yet ended
    std::string last_stage_;
    double last_print_ = -1e9;
    std::chrono::steady_clock::time_point start_;
    Feedback feedback_;
};

}  // namespace pravel::cli

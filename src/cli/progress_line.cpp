#include "cli/progress_line.h"

#include <unistd.h>

namespace pravel::cli {

namespace {

ProgressMode g_mode = ProgressMode::Automatic;

// Seconds between two prints of the same stage.
constexpr double kTerminalInterval = 0.1;
constexpr double kLineInterval = 1.0;

std::string printed(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

void set_progress_mode(ProgressMode mode) { g_mode = mode; }

std::string progress_text(const Feedback::Progress& p, double seconds) {
    std::string text = p.stage.empty() ? std::string("working") : p.stage;
    text += ": ";
    if (p.total > 0) {
        const double share = 100.0 * static_cast<double>(p.step) / static_cast<double>(p.total);
        text += printed("%.0f", share) + " % (" + std::to_string(p.step) + " of " + std::to_string(p.total) + ")";
    } else {
        text += "step " + std::to_string(p.step);
        if (p.best != 0.0) text += ", best " + printed("%.6g", p.best);
    }
    return text + ", " + printed("%.1f", seconds) + " s";
}

ProgressLine::ProgressLine(std::FILE* out)
    : out_(out ? out : stderr),
      terminal_(::isatty(::fileno(out_)) != 0),
      enabled_(terminal_ || g_mode == ProgressMode::Lines),
      start_(std::chrono::steady_clock::now()),
      feedback_([this](const Feedback::Progress& p) { print(p); }) {}

ProgressLine::~ProgressLine() {
    if (open_line_) std::fputs("\n", out_);
}

void ProgressLine::print(const Feedback::Progress& p) {
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const bool new_stage = p.stage != last_stage_;
    const bool finished = p.total > 0 && p.step >= p.total;
    if (!new_stage && !finished && now - last_print_ < (terminal_ ? kTerminalInterval : kLineInterval)) return;
    last_print_ = now;
    last_stage_ = p.stage;
    const std::string text = progress_text(p, now);
    if (terminal_) {
        // Rewritten in place; a new stage starts on a line of its own.
        if (new_stage && open_line_) std::fputs("\n", out_);
        std::fprintf(out_, "\r%s\033[K", text.c_str());
        open_line_ = true;
    } else {
        std::fprintf(out_, "%s\n", text.c_str());
    }
    std::fflush(out_);
}

}  // namespace pravel::cli

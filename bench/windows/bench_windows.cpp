// How long the analysis windows leave the user without a sign of life: each
// window is driven through its controls on the large demo area (offscreen
// unless a display is set) with its progress dialog watched. For each run it
// prints the whole time from the button to the result, the time before the
// first progress report (loading from the database), the longest gap between
// two reports (the longest the window cannot repaint or take a Cancel), and
// the time after the last report (result lines, result tables).
//
// Environment: PRAVEL_BENCH_DB_CONFIG (settings file), PRAVEL_BENCH_SEARCH_SECONDS
// (seconds after which the budget minimisation is cancelled, default 20).
#include <QApplication>
#include <QProgressDialog>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/notifier.h"
#include "store/database_access.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"
#include "ui/shell.h"
#include "window_driver/analysis_scenarios.h"

using namespace pravel;
using namespace pravel::driving;
using Clock = std::chrono::steady_clock;

namespace {

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The progress reports of one run, as the window's dialog receives them.
class ReportLog {
public:
    // Cancels the run once it has gone on for `cancel_after_s` (0: never).
    ProgressObserver observer(double cancel_after_s = 0) {
        return [this, cancel_after_s](QProgressDialog& d, const Feedback::Progress&) {
            times_.push_back(Clock::now());
            if (cancel_after_s > 0 && std::chrono::duration<double>(times_.back() - start_).count() >= cancel_after_s)
                d.cancel();
        };
    }
    void start() {
        times_.clear();
        start_ = Clock::now();
    }
    void print(const char* name) const {
        const Clock::time_point end = Clock::now();
        std::printf("%s_seconds: %.2f\n", name, ms(end - start_) / 1000.0);
        std::printf("%s_progress_reports: %zu\n", name, times_.size());
        if (times_.empty()) return;
        double gap = 0;
        for (size_t i = 1; i < times_.size(); ++i) gap = std::max(gap, ms(times_[i] - times_[i - 1]));
        std::printf("%s_ms_before_first_report: %.0f\n", name, ms(times_.front() - start_));
        std::printf("%s_longest_ms_between_reports: %.1f\n", name, gap);
        std::printf("%s_ms_after_last_report: %.0f\n", name, ms(end - times_.back()));
    }

private:
    Clock::time_point start_;
    std::vector<Clock::time_point> times_;
};

class QuietNotifier : public StderrNotifier {
public:
    // The budget minimisation's closing question (its iteration count).
    bool ask_yes_no(const std::string&) override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const char* config = std::getenv("PRAVEL_BENCH_DB_CONFIG");
    set_database_config_path(config ? config : "db_config.txt");
    set_notifier(std::make_shared<QuietNotifier>());
    const char* search = std::getenv("PRAVEL_BENCH_SEARCH_SECONDS");
    const double searchSeconds = search && *search ? std::atof(search) : 20.0;

    CMainFrame frame;
    frame.newDocument();
    ReportLog log;
    try {
        {
            // Every mowing measure of the catalogue.
            auto* w = new massnahmen_wirksamkeit(&frame);
            fillEffectiveness(w, kLargeArea, -1);
            std::printf("effectiveness_window_measures: %d\n",
                        find<QListWidget>(w, "List of selected measures")->count());
            w->setProgressObserver(log.observer());
            log.start();
            click(w, "Run simulation");
            if (!w->lastRun()) throw DriveError("the effectiveness run gave no result");
            log.print("effectiveness_window");
            delete w;
        }
        {
            auto* w = new zahlungssimulierung(&frame);
            fillProgramme(w);
            w->setProgressObserver(log.observer());
            log.start();
            click(w, "Run simulation");
            if (!w->lastRun()) throw DriveError("the programme run gave no result");
            log.print("programme_window");
            delete w;
        }
        {
            auto* w = new qualoptimierung(&frame);
            fillOptimisation(w);
            type(w, qualoptimierung::kBudgetLabel, "60000");
            addOptimisationSpecies(w, qualoptimierung::kImportanceLabel, OptimisationWindow::kQualityLabel, "60",
                                   "0.3");
            w->setSeed(1);
            w->setProgressObserver(log.observer());
            log.start();
            click(w, "Start optimization");
            if (!w->lastResult()) throw DriveError("the goal maximisation gave no result");
            log.print("goal_maximisation_window");
            delete w;
        }
        {
            auto* w = new optimierung(&frame);
            fillOptimisation(w);
            addOptimisationSpecies(w, OptimisationWindow::kQualityLabel, optimierung::kAreaLabel, "0.3", "150");
            w->setSeed(1);
            w->setProgressObserver(log.observer(searchSeconds));
            log.start();
            click(w, "Start optimization");
            if (!w->lastResult()) throw DriveError("the budget minimisation gave no result");
            std::printf("budget_minimisation_window_cancelled_after_s: %.0f\n", searchSeconds);
            log.print("budget_minimisation_window");
            delete w;
        }
    } catch (const DriveError& e) {
        std::fprintf(stderr, "bench_windows: %s\n", e.what());
        return 1;
    }
    return 0;
}

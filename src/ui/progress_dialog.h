#pragma once
// The progress dialog of a long run. The run reports through a Feedback on
// the one user-interface thread; each report updates the dialog and lets the
// user's Cancel reach the run, which then stops with what it has.
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "common/feedback.h"

class QProgressDialog;
class QWidget;

namespace pravel {

// What the evaluation windows say when the user has cancelled a run; they
// then show no result of it.
inline constexpr const char* kSimulationCancelledText = "The simulation was cancelled.";

// The width a window needs so that the window system shows its whole
// caption `title`: the text in a bold face and room for the caption's buttons.
int caption_width(const QWidget* window, const QString& title);

// Called after the dialog has shown each report; lets a caller watch or
// cancel the run as the user would.
using ProgressObserver = std::function<void(QProgressDialog&, const Feedback::Progress&)>;
// The dialog's text for a report.
using ProgressText = std::function<QString(const Feedback::Progress&)>;

// The text of the searches: the breakpoint search's stage, allocations and
// best objective; the annealing's iteration with the best budget in Euro (and
// the hectares it still misses) or the best weighted effective area in ha,
// never its internal objective or temperature.
QString search_progress_text(const Feedback::Progress& p);

// The caption and text that replace the annealing's bare closing question,
// which holds only its iteration count.
inline constexpr const char* kAnnealingFinishedCaption = "Annealing finished";
QString annealing_finished_text(const std::string& iterations);
// The run's messages as a window shows them: the annealing's closing
// question with its caption and a text that says what it is; everything
// else as it stands, through the notifier in force.
std::shared_ptr<Notifier> window_run_messages();
// The stage and the pixels done of all: the text of the evaluation.
QString evaluation_progress_text(const Feedback::Progress& p);

// A window-modal progress dialog over `parent`, shown at once, and the
// Feedback that drives it. A search's text ends with the time elapsed since
// the dialog opened. A report with a known total moves the bar; without
// one the bar shows that work goes on.
class RunProgress {
public:
    RunProgress(QWidget* parent, const QString& title, const QString& text, ProgressText format,
                ProgressObserver observer = {});
    ~RunProgress();
    RunProgress(const RunProgress&) = delete;
    RunProgress& operator=(const RunProgress&) = delete;

    Feedback& feedback() { return feedback_; }
    QProgressDialog& dialog() { return *dialog_; }
    // True once the user (or an observer) has cancelled the run.
    bool cancelled() const { return feedback_.cancelled(); }

private:
    void show(const Feedback::Progress& p);

    std::unique_ptr<QProgressDialog> dialog_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    ProgressText format_;
    ProgressObserver observer_;
    Feedback feedback_;
};

}  // namespace pravel

#include "ui/progress_dialog.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QProgressDialog>

#include <algorithm>

#include "optimisation/breakpoint_search.h"
#include "optimisation/search_method.h"

namespace pravel {

namespace {
// The bar counts in thousandths, so that pixel counts beyond the range of an
// int still fit.
constexpr int kBarSteps = 1000;
// The caption's icon and its minimise, maximise and close boxes.
constexpr int kCaptionButtons = 160;
}  // namespace

int caption_width(const QWidget* window, const QString& title) {
    QFont font = window->font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + kCaptionButtons;
}

QString search_progress_text(const Feedback::Progress& p) {
    if (p.stage == kBoundStage) return QString("Stage: %1").arg(kBoundStage);
    if (p.stage.rfind(kBreakpointStage, 0) == 0)
        return QString("Stage: %1\nAllocations evaluated %2\nSeconds %3\nBest objective %4")
            .arg(QString::fromStdString(p.stage))
            .arg(p.step)
            .arg(p.value, 0, 'f', 1)
            .arg(p.best, 0, 'f', 2);
    QString text = QString("Iteration %1").arg(p.step);
    if (p.total > 0) text += QString(" of %1").arg(p.total);
    if (!p.best_amount) return text;
    if (p.stage.rfind("budget", 0) == 0) {
        text += QString("\nBest budget so far %1 Euro").arg(*p.best_amount, 0, 'f', 2);
        if (p.best_shortfall_ha && *p.best_shortfall_ha > 0)
            text += QString("\n(still %1 ha short of the wanted areas)").arg(*p.best_shortfall_ha, 0, 'f', 0);
    } else {
        text += QString("\nBest weighted effective area so far %1 ha").arg(*p.best_amount, 0, 'f', 2);
    }
    return text;
}

QString annealing_finished_text(const std::string& iterations) {
    return QString("The annealing has finished after %1 iterations.\n\nIts best solution is shown in the window.")
        .arg(QString::fromStdString(iterations));
}

namespace {
// Passes the run's messages on, giving the annealing's closing question a
// caption and a text.
class WindowRunMessages : public Notifier {
public:
    void inform(const std::string& text) override { notifier().inform(text); }
    bool ask_yes_no(const std::string& text) override {
        const bool count = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        if (!count) return notifier().ask_yes_no(text);
        // The answer changes nothing: the run is over and its best solution
        // is kept either way.
        notifier().ask_ok_cancel(annealing_finished_text(text).toStdString(), kAnnealingFinishedCaption);
        return true;
    }
    using Notifier::ask_ok_cancel;
    bool ask_ok_cancel(const std::string& text, const std::string& title) override {
        return notifier().ask_ok_cancel(text, title);
    }
};
}  // namespace

std::shared_ptr<Notifier> window_run_messages() { return std::make_shared<WindowRunMessages>(); }

QString evaluation_progress_text(const Feedback::Progress& p) {
    const QString stage = p.stage.empty() ? QString("evaluation") : QString::fromStdString(p.stage);
    if (p.total > 0) return QString("Stage: %1\nPixels %2 of %3").arg(stage).arg(p.step).arg(p.total);
    return QString("Stage: %1\nPixels %2").arg(stage).arg(p.step);
}

RunProgress::RunProgress(QWidget* parent, const QString& title, const QString& text, ProgressText format,
                         ProgressObserver observer)
    : dialog_(std::make_unique<QProgressDialog>(text, "Cancel", 0, 0, parent)),
      format_(std::move(format)),
      observer_(std::move(observer)),
      feedback_([this](const Feedback::Progress& p) { show(p); }) {
    dialog_->setWindowTitle(title);
    // A window narrower than its caption gets the caption shortened in the
    // middle ("Simul... asures"); the dialog is made wide enough for it.
    dialog_->setMinimumWidth(std::max(dialog_->sizeHint().width(), caption_width(dialog_.get(), title)));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(0);
    // The dialog stays up until the run returns, even at 100 %.
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->show();
    // Painted now, so that the user sees what is going on while the run loads
    // its data, before its first report.
    QCoreApplication::processEvents();
}

RunProgress::~RunProgress() = default;

void RunProgress::show(const Feedback::Progress& p) {
    if (format_) {
        QString text = format_(p);
        // A search says how long it has run; the evaluation's pixel count
        // tells that already.
        const bool search = p.stage.rfind("budget", 0) == 0 || p.stage.rfind("goal", 0) == 0 ||
                            p.stage.rfind(kBreakpointStage, 0) == 0;
        if (search) {
            const long long seconds =
                std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started_).count();
            text += QString("\nElapsed %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
        }
        dialog_->setLabelText(text);
    }
    if (p.total > 0) {
        if (dialog_->maximum() != kBarSteps) dialog_->setRange(0, kBarSteps);
        const long long done = p.step < 0 ? 0 : (p.step > p.total ? p.total : p.step);
        dialog_->setValue(static_cast<int>(done * kBarSteps / p.total));
    } else if (dialog_->maximum() != 0) {
        dialog_->setRange(0, 0);
    }
    QCoreApplication::processEvents();
    if (observer_) observer_(*dialog_, p);
    if (dialog_->wasCanceled()) feedback_.cancel();
}

}  // namespace pravel

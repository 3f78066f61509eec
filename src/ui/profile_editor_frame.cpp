#include "ui/profile_editor_frame.h"

#include <QAbstractButton>

#include <QComboBox>

#include <QCloseEvent>

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cmath>

#include "common/notifier.h"
#include "common/numeric_input.h"
#include "ui/progress_dialog.h"

namespace pravel {

namespace {

// A vertical scroll bar whose line step is a hundredth and whose page step a
// tenth of its range, whatever the scroll area sets: the scroll area sets
// the page to the visible height after every change of the range.
class HundredthScrollBar : public QScrollBar {
public:
    HundredthScrollBar() : QScrollBar(Qt::Vertical) {}

protected:
    void sliderChange(SliderChange change) override {
        QScrollBar::sliderChange(change);
        if (adjusting_ || (change != SliderRangeChange && change != SliderStepsChange)) return;
        adjusting_ = true;
        const int range = maximum() - minimum();
        setSingleStep(std::max(1, range / 100));
        setPageStep(std::max(1, range / 10));
        adjusting_ = false;
    }

private:
    bool adjusting_ = false;
};

}  // namespace

const QColor ProfileEditorFrame::kBackground(255, 255, 240);
const QColor ProfileEditorFrame::kGroupCaption(139, 26, 26);
const QColor ProfileEditorFrame::kLabel(0, 100, 0);

FieldCheckResult check_field(const std::string& text, const FieldCheck& check) {
    FieldCheckResult result;
    if (check.characters && !is_numeric_input(text)) {
        result.messages.push_back(kNumberMessage);
        result.refocus = true;
    }
    const double value = parse_real(text);
    if (check.bound && value > *check.bound) {
        result.messages.push_back(check.range_message ? check.range_message : "");
        result.refocus = true;
        return result;
    }
    result.value = value / check.divisor;
    return result;
}

bool shares_make_whole(const std::vector<double>& fractions) {
    double sum = 0.0;
    for (double f : fractions) sum += f;
    return std::fabs(sum - 1.0) <= 1e-9;
}

std::string editor_quarter_month_text(int quarter_month) {
    static const std::array<const char*, 4> ordinals{"1st", "2nd", "3rd", "4th"};
    static const std::array<const char*, 12> months{"January", "February", "March",     "April",   "May",      "June",
                                                    "July",    "August",   "September", "October", "November", "December"};
    if (quarter_month < 1 || quarter_month > 48) return std::to_string(quarter_month);
    return std::string(ordinals[(quarter_month - 1) % 4]) + " quarter month " + months[(quarter_month - 1) / 4];
}

ProfileEditorFrame::ProfileEditorFrame(const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(title);
    setModal(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* outer = new QVBoxLayout(this);
    scroll_ = new QScrollArea(this);
    scroll_->setVerticalScrollBar(new HundredthScrollBar);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setFrameShape(QFrame::NoFrame);
    content_ = new QWidget;
    content_->setPalette(pal);
    content_->setAutoFillBackground(true);
    layout_ = new QVBoxLayout(content_);
    scroll_->setWidget(content_);
    outer->addWidget(scroll_, 1);

    auto* buttons = new QHBoxLayout;
    buttons_ = buttons;
    auto makeButton = [&](const char* text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(text);
        b->setAutoDefault(false);
        b->setDefault(false);
        buttons->addWidget(b);
        return b;
    };
    buttons->addStretch(1);
    save_ = makeButton("Save");
    cancel_ = makeButton("Cancel");
    recordOk_ = makeButton("Record ok");
    editRecord_ = makeButton("Edit record");
    outer->addLayout(buttons);
    connect(save_, &QPushButton::clicked, this, [this] {
        refused_ = false;
        // A save that closes the window on success closes it without asking.
        discarding_ = true;
        save();
        discarding_ = false;
        if (!refused_) changed_ = false;
    });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        discarding_ = true;
        close();
        discarding_ = false;
    });
    connect(recordOk_, &QPushButton::clicked, this, [this] { recordOk(); });
    connect(editRecord_, &QPushButton::clicked, this, [this] { editRecord(); });
    setViewMode(false);

    connect(qApp, &QApplication::focusChanged, this, &ProfileEditorFrame::onFocusChanged);
}

ProfileEditorFrame::~ProfileEditorFrame() {
    disconnect(qApp, nullptr, this, nullptr);
    // The controls are deleted by the QWidget destructor, after this
    // object's members are gone: none of their signals (a watched control's
    // `destroyed`, a list's selection) may reach this object any more.
    for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
}

QGroupBox* ProfileEditorFrame::group(const QString& caption, QWidget* parent) {
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(caption);
    QPalette pal = box->palette();
    pal.setColor(QPalette::WindowText, kGroupCaption);
    box->setPalette(pal);
    return box;
}

QLabel* ProfileEditorFrame::caption(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setAutoFillBackground(false);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, kLabel);
    l->setPalette(pal);
    return l;
}

QLineEdit* ProfileEditorFrame::input(const QString& name, const QString& initial, QWidget* parent,
                                     std::function<void()> leave) {
    auto* field = new QLineEdit(initial, parent);
    field->setObjectName(name);
    watch(field, std::move(leave));
    return field;
}

void ProfileEditorFrame::watch(QWidget* control, std::function<void()> leave) {
    control->installEventFilter(this);
    leaveActions_[control] = std::move(leave);
    connect(control, &QObject::destroyed, this, [this, control] { leaveActions_.erase(control); });
}

bool ProfileEditorFrame::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && leaveActions_.count(static_cast<QWidget*>(watched))) {
            // Enter moves on as Tab does; it never saves.
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ProfileEditorFrame::onFocusChanged(QWidget* old, QWidget* now) {
    if (quiet_ > 0 || !old) return;
    auto it = leaveActions_.find(old);
    if (it == leaveActions_.end()) return;
    if (now == cancel_) {
        // Leaving an input towards Cancel closes at once, unchecked.
        close();
        return;
    }
    if (!it->second) return;
    // The check's message boxes move the focus around; those moves are not
    // the user leaving another input.
    ++quiet_;
    const std::function<void()> leave = it->second;
    leave();
    --quiet_;
}

std::optional<double> ProfileEditorFrame::runCheck(QLineEdit* field, const FieldCheck& check) {
    const FieldCheckResult result = check_field(field->text().toStdString(), check);
    ++quiet_;
    for (const std::string& message : result.messages) notifier().inform(message);
    --quiet_;
    if (result.refocus) refocus(field);
    return result.value;
}

void ProfileEditorFrame::refocus(QWidget* control) {
    // Set now, so that the window gives it the focus when it is active again,
    // and once more after the message boxes' own focus changes have settled.
    ++quiet_;
    control->setFocus();
    QTimer::singleShot(0, this, [this, target = QPointer<QWidget>(control)] {
        if (target) target->setFocus();
        --quiet_;
    });
}

bool ProfileEditorFrame::refuse(const std::string& message, QWidget* focus) {
    refused_ = true;
    ++quiet_;
    notifier().inform(message);
    --quiet_;
    if (focus) refocus(focus);
    return false;
}

QSize ProfileEditorFrame::openingSize() const {
    // The scroll area caps its own preferred size at a few dozen lines; the
    // content's is what counts.
    const QSize content = content_->sizeHint().expandedTo(content_->minimumSizeHint());
    const int frame = 2 * scroll_->frameWidth();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_->verticalScrollBar());
    const QMargins margins = layout()->contentsMargins();
    const int spacing = std::max(0, layout()->spacing());
    QSize wanted(std::max(content.width() + frame + bar + margins.left() + margins.right(),
                          caption_width(this, windowTitle())),
                 content.height() + frame + spacing + buttons_->sizeHint().height() + margins.top() + margins.bottom());
    if (const QScreen* s = screen()) wanted = wanted.boundedTo(s->availableGeometry().size() - QSize(16, 48));
    return wanted;
}

void ProfileEditorFrame::showEvent(QShowEvent* event) {
    if (!sized_) {
        sized_ = true;
        resize(openingSize());
    }
    QDialog::showEvent(event);
}

void ProfileEditorFrame::setViewMode(bool on) {
    viewMode_ = on;
    recordOk_->setVisible(on);
    editRecord_->setVisible(on);
    save_->setVisible(!on);
    cancel_->setVisible(!on);
}

void ProfileEditorFrame::editRecord() {
    setViewMode(false);
    if (!editingStored_) watchEdits();
    editingStored_ = true;
    changed_ = false;
    setFocus();
}

// Every input of the editor marks the record as changed when the user edits it.
void ProfileEditorFrame::watchEdits() {
    const auto changed = [this] {
        if (editingStored_) changed_ = true;
    };
    for (QLineEdit* e : content_->findChildren<QLineEdit*>()) connect(e, &QLineEdit::textEdited, this, changed);
    for (QComboBox* c : content_->findChildren<QComboBox*>()) connect(c, &QComboBox::activated, this, changed);
    for (QAbstractButton* b : content_->findChildren<QAbstractButton*>())
        if (b->isCheckable()) connect(b, &QAbstractButton::clicked, this, changed);
}

bool ProfileEditorFrame::mayClose() {
    if (!changed_ || discarding_) return true;
    if (!notifier().ask_yes_no(kUnsavedProfileQuestion)) return false;
    changed_ = false;
    return true;
}

void ProfileEditorFrame::closeEvent(QCloseEvent* event) {
    if (!mayClose()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void ProfileEditorFrame::reject() {
    if (mayClose()) QDialog::reject();
}

void ProfileEditorFrame::recordOk() { close(); }

}  // namespace pravel

#pragma once
// What every profile editor (bird, butterfly, habitat, grassland type) shares:
// a scrolling window in the editors' colours, the Enter key moving on like Tab,
// a check that runs when an input loses the focus, leaving an input towards
// "Cancel" closing the window at once, and the four buttons "Save", "Cancel",
// "Record ok" and "Edit record" with the view mode that shows a loaded record.
#include <QColor>
#include <QDialog>
#include <QPointer>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>


class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace pravel {

inline constexpr const char* kNumberMessage = "You have to enter a number please!";
// Asked when a stored profile that was changed after "Edit record" is closed
// without saving; No keeps the window open.
inline constexpr const char* kUnsavedProfileQuestion =
    "This stored profile was changed and the changes are not saved.\n\nClose it and discard the changes?\n"
    "(No keeps the window open, so that \"Save\" can store them as a new version.)";
inline constexpr const char* kProbabilityRangeMessage =
    "The probability cannot be greater than 100!\n\n Please revise your input!";
inline constexpr const char* kValueRangeMessage = "The value cannot be greater than 1!\n\n Please revise your input!";
inline constexpr const char* kCheckInputTitle = "Check input";

// The check an input runs when it loses the focus.
struct FieldCheck {
    bool characters = false;          // refuse characters other than digits, ".", "-", "(" and ")"
    std::optional<double> bound;      // refuse values above it
    const char* range_message = nullptr;
    double divisor = 1.0;             // the value kept is the number divided by it (100 for per cent)
};

// What a check found: the messages to show in order, whether the focus goes
// back to the input, and the value to keep (none when the range refused it).
struct FieldCheckResult {
    std::vector<std::string> messages;
    bool refocus = false;
    std::optional<double> value;
};

// The character check first (its message does not stop the check), then the
// number and its range.
FieldCheckResult check_field(const std::string& text, const FieldCheck& check);

// True when per-cent shares, summed in the given order, make 100 %: the sum
// of the fractions is within 1e-9 of 1, so that ten inputs of 10 % pass while
// a sum that is really off (99.9 %) is refused.
bool shares_make_whole(const std::vector<double>& fractions);

// Quarter-month texts of the editors: "1st quarter month March" for 9 and so
// on, "4th quarter month October" for 40.
std::string editor_quarter_month_text(int quarter_month);

class ProfileEditorFrame : public QDialog {
    Q_OBJECT
public:
    static const QColor kBackground;    // (255, 255, 240)
    static const QColor kGroupCaption;  // (139, 26, 26)
    static const QColor kLabel;         // (0, 100, 0)

    explicit ProfileEditorFrame(const QString& title, QWidget* parent = nullptr);
    ~ProfileEditorFrame() override;

    // The widget the editor lays its controls out in; it scrolls vertically
    // when the window is lower than the layout.
    QWidget* content() const { return content_; }
    QVBoxLayout* contentLayout() const { return layout_; }

    // A group with its caption in the caption colour.
    QGroupBox* group(const QString& caption, QWidget* parent);
    // A label in the label colour, drawn without background, on one line:
    // it never wraps.
    QLabel* caption(const QString& text, QWidget* parent);
    // An input named `name`, starting with `initial`; `leave` runs when it
    // loses the focus to anything but "Cancel".
    QLineEdit* input(const QString& name, const QString& initial, QWidget* parent,
                     std::function<void()> leave = {});
    // Gives any other focusable control (a list, an option) the Enter-key
    // rule, the leave rule and, when given, a leave action.
    void watch(QWidget* control, std::function<void()> leave = {});

    // Runs `check` on `field`, shows its messages through the notifier, puts
    // the focus back when it says so and returns the value to keep.
    std::optional<double> runCheck(QLineEdit* field, const FieldCheck& check);
    // Puts the focus back on `control` once the message boxes have gone.
    void refocus(QWidget* control);
    // A refused save: shows `message`, gives `focus` (when not null) the
    // focus back and answers false, so that a save sequence can stop with
    // `return refuse(...)`.
    bool refuse(const std::string& message, QWidget* focus);

    // Escape: as closing, asks first about a changed stored profile.
    void reject() override;

    QPushButton* saveButton() const { return save_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* recordOkButton() const { return recordOk_; }
    QPushButton* editRecordButton() const { return editRecord_; }

    // View mode shows "Edit record" and "Record ok" and hides "Save" and
    // "Cancel"; leaving it does the reverse.
    void setViewMode(bool on);
    bool viewMode() const { return viewMode_; }

    // The control whose object name is `name`, or null.
    template <class W>
    W* control(const char* name) const {
        return findChild<W*>(QString::fromUtf8(name));
    }

    // The size the window opens at: the whole width of its content beside
    // the vertical scroll bar, so that no label wraps and nothing needs
    // scrolling sideways, and the content's height, each within the free
    // area of the screen.
    QSize openingSize() const;
    QScrollArea* scrollArea() const { return scroll_; }

protected:
    // "Save".
    virtual void save() = 0;
    // "Edit record": leaves view mode and gives the window the focus.
    virtual void editRecord();
    // "Record ok": closes the window.
    virtual void recordOk();

    bool eventFilter(QObject* watched, QEvent* event) override;
    // Closing (title bar, Escape, "Record ok") a stored profile changed since
    // "Edit record" and not saved asks first; "Cancel" discards at once.
    void closeEvent(QCloseEvent* event) override;
    // The first showing sizes the window to openingSize().
    void showEvent(QShowEvent* event) override;

private:
    void onFocusChanged(QWidget* old, QWidget* now);

    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    bool sized_ = false;
    QPushButton* save_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* recordOk_ = nullptr;
    QPushButton* editRecord_ = nullptr;
    bool viewMode_ = false;
    // A stored record is being edited, has changed since, the last save was
    // refused, "Cancel" is closing the window.
    bool editingStored_ = false;
    bool changed_ = false;
    bool refused_ = false;
    bool discarding_ = false;
    bool mayClose();
    void watchEdits();
    // Focus changes made while a refused input gets the focus back are not
    // the user leaving an input.
    int quiet_ = 0;
    std::map<QWidget*, std::function<void()>> leaveActions_;
};

}  // namespace pravel

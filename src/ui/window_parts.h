#pragma once
// Small pieces the analysis windows build their controls from. Every control
// is named after its label, so that tests (and accessibility tools) find it.
#include <QGroupBox>
#include <QListWidget>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/measure_store.h"

class QBoxLayout;
class QFileDialog;
class QHBoxLayout;
class QVBoxLayout;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QRadioButton;
class QTime;
class QWidget;

namespace pravel {

class DatabaseAccess;

// A caption on one line: it never wraps, so the layout gives it the width of
// its whole text and it is never cut.
QLabel* label(const QString& text, QWidget* parent);

// A list whose preferred size is given in text: `columns` characters (the
// width of as many digits) on `lines` entries, frame and vertical scroll bar
// included. A window opened at its preferred size shows that much of it
// without scrolling; the list grows from there with the window.
class TextSizedList : public QListWidget {
public:
    TextSizedList(int columns, int lines, QWidget* parent = nullptr);
    void setTextSize(int columns, int lines);
    int columns() const { return columns_; }
    int lines() const { return lines_; }
    QSize sizeHint() const override;

private:
    int columns_;
    int lines_;
};

// The size a list preferred by default: a short name on a few lines.
inline constexpr int kListColumns = 24;
inline constexpr int kListLines = 4;
// A list of numbers beside a list of names.
inline constexpr int kNumberColumns = 10;
// What the result lists of the analysis windows show at the opening size.
inline constexpr int kResultColumns = 80;
inline constexpr int kResultLines = 12;

QListWidget* namedList(const QString& name, QWidget* parent, int columns = kListColumns, int lines = kListLines);
// The arrangement of an analysis window, laid on `window`: the measure
// selection across the top (it keeps its width), below it three columns for
// region and species, the chosen inputs and the results; the results take
// the width the window gains.
struct AnalysisLayout {
    QHBoxLayout* measures;
    QVBoxLayout* left;
    QVBoxLayout* inputs;
    QVBoxLayout* results;
};
AnalysisLayout analysis_layout(QWidget* window);

// The size of an analysis window when it opens: what its layout prefers,
// within the free area of its screen.
QSize opening_size(const QWidget* window);
// A button that is never the dialog's default (Return must not start a run).
QPushButton* namedButton(const QString& name, QWidget* parent);
QLineEdit* namedField(const QString& name, QWidget* parent);
// The "OK" and "Cancel" buttons of a small dialog, right-aligned in a row
// added to `layout`.
std::pair<QPushButton*, QPushButton*> addOkCancel(QBoxLayout* layout, QWidget* parent);
// Replaces the entries of a list.
void fill(QListWidget* list, const std::vector<std::string>& entries);
// Calls `chosen` with the row of the entry the user selects in a list. A
// list that merely receives the focus (by Tab or Enter) marks its first
// entry as current without selecting it; that is no choice.
void on_entry_chosen(QListWidget* list, QObject* context, std::function<void(int row)> chosen);

// The ready-made measure sets of "Only mowing" (every catalogue row of
// "mowing_postpo" and "refuge strips") and "Only grazing" (the rotational and
// seasonal grazing measures, alone and after a first mowing), without the
// rows of early first use.
std::vector<MeasureRecord> mowing_measure_set(DatabaseAccess& db);
std::vector<MeasureRecord> grazing_measure_set(DatabaseAccess& db);

// Fills the region list with the study areas and the two species name lists
// with the Dutch and Latin names.
void fill_region_and_species(DatabaseAccess& db, QListWidget* region, QListWidget* dutch, QListWidget* latin);
// The countryID of the study area selected in the region list; none while
// no entry is selected.
std::optional<int> selected_country(DatabaseAccess& db, const QListWidget* region);

// Keeps the species lists of a window in step: choosing a name in the Dutch
// list selects the same species in the Latin list and the reverse, and either
// fills the saved versions of that species (newest first choice) and tells
// `chosen` the Dutch name.
void link_species_names(DatabaseAccess& db, QListWidget* dutch, QListWidget* latin, QListWidget* saved_on,
                        QObject* context, std::function<void(const QString& dutch_name)> chosen = {});

// Opens the analysis result map as a new document window of the frame
// `window` sits in (its parent, when that is a ResultMapHost) and returns it;
// null when the window has no such parent.
// The map is placed beside the window, in front of the other document
// windows (see place_beside).
QWidget* open_result_map(QWidget* window);
// The same for the configuration map, drawing the stored configuration with
// this ID.
QWidget* open_configuration_map(QWidget* window, int configurationID);
// Puts the document window of `map` in the widest free part of its area
// beside `window` and brings it to the front; when neither side has room,
// `window` first moves to the right edge of the area.
void place_beside(QWidget* map, QWidget* window);

// The "Selection of predation" box of the analysis windows with its two
// radio buttons, "time independent" and "time dependent".
class PredationChoice : public QGroupBox {
public:
    explicit PredationChoice(QWidget* parent);
    // False for time-independent, true for time-dependent predation; none
    // while neither is chosen.
    std::optional<bool> timeDependent() const;

private:
    QRadioButton* independent_ = nullptr;
    QRadioButton* dependent_ = nullptr;
};

// The report file chooser of the analysis windows: a save dialog titled
// `title` with these filters (pairs of description and pattern, "|"
// separated) and ".txt" added to a name typed without extension.
inline constexpr const char* kReportFilter = "txt Files (*.txt) |*.txt|All Files (*.*)|*.*||";
void configure_report_dialog(QFileDialog& dialog, const QString& title);
// The path chosen in that dialog; empty when the user cancels.
QString choose_report_path(QWidget* parent, const QString& title);

// Lets a list wrap its long lines at its width instead of scrolling
// sideways.
void wrap_long_lines(QListWidget* list);

// A line above the results of an analysis window, named `name`, that says
// which run they belong to (or whether it met its goal); it wraps.
QLabel* run_heading(const char* name, QWidget* parent);
// "Run of 18:32:05: breakpoint search, seed 7": the start time, the method
// (may be empty) and the seed (none: from the clock).
QString run_heading_text(const QTime& started, const QString& method, std::optional<std::uint32_t> seed);
// Shows `missed` in the goal status line, marked as a warning; when it is
// empty, `met` in plain text.
void show_goal_status(QLabel* status, const QString& missed, const QString& met);

// The wait cursor for the life of the object, restored however the work ends.
struct WaitCursor {
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace pravel

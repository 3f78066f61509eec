#pragma once
// Drives a profile editor offscreen the way a user does: typing into inputs,
// moving the focus from one to another (which runs the leave-field checks),
// choosing list entries and pressing buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/notifier.h"
#include "support/offscreen_application.h"
#include "support/test_database.h"

namespace pravel::testing {

// The quarter-month texts of the editors' inputs and lists, quarter month 9
// ("1st quarter month March") to 38 ("2nd quarter month October").
inline const std::vector<std::string>& editor_quarter_months() {
    static const std::vector<std::string> texts{
        "1st quarter month March",     "2nd quarter month March",     "3rd quarter month March",
        "4th quarter month March",     "1st quarter month April",     "2nd quarter month April",
        "3rd quarter month April",     "4th quarter month April",     "1st quarter month May",
        "2nd quarter month May",       "3rd quarter month May",       "4th quarter month May",
        "1st quarter month June",      "2nd quarter month June",      "3rd quarter month June",
        "4th quarter month June",      "1st quarter month July",      "2nd quarter month July",
        "3rd quarter month July",      "4th quarter month July",      "1st quarter month August",
        "2nd quarter month August",    "3rd quarter month August",    "4th quarter month August",
        "1st quarter month September", "2nd quarter month September", "3rd quarter month September",
        "4th quarter month September", "1st quarter month October",   "2nd quarter month October"};
    return texts;
}
// The texts of quarter months `first` to `last`.
inline std::vector<std::string> quarter_month_texts(int first, int last) {
    const auto& all = editor_quarter_months();
    return {all.begin() + (first - 9), all.begin() + (last - 9) + 1};
}

// The group box of `window` captioned exactly `title`, or null.
inline QGroupBox* group_titled(QWidget* window, const std::string& title) {
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        if (g->title().toStdString() == title) return g;
    return nullptr;
}
// The label texts shown inside `parent` (its own groups included).
inline std::vector<std::string> label_texts(QWidget* parent) {
    std::vector<std::string> out;
    for (QLabel* l : parent->findChildren<QLabel*>()) out.push_back(l->text().toStdString());
    return out;
}
inline bool shows_label(QWidget* parent, const std::string& text) {
    const auto texts = label_texts(parent);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// One input as the user sees it: the group it stands in (empty: anywhere in
// the window), its label (empty: the group's caption serves), the control's
// name and its initial text.
struct InputLook {
    std::string group;
    std::string label;
    std::string name;
    std::string initial;
};
// Checks every input of `rows` against `window`'s controls.
inline void expect_inputs(QWidget* window, const std::vector<InputLook>& rows) {
    for (const InputLook& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget* in = row.group.empty() ? window : group_titled(window, row.group);
        ASSERT_NE(in, nullptr) << "group \"" << row.group << '"';
        if (!row.label.empty()) {
            EXPECT_TRUE(shows_label(in, row.label)) << "label \"" << row.label << '"';
        }
        auto* field = in->findChild<QLineEdit*>(QString::fromStdString(row.name));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->text().toStdString(), row.initial);
    }
}
// The inputs the bird and the butterfly editor share (all but the eggs and
// the editor's name).
inline std::vector<InputLook> shared_species_inputs() {
    return {
        {"Name", "Dutch Name", "Dutch Name", ""},
        {"Name", "Latin Name", "Latin Name", ""},
        {"Critical reproduction period", "Number of QMs", "Critical reproduction period/Number of QMs", "0"},
        {"Total reproduction period", "Number of QMs", "Total reproduction period/Number of QMs", "0"},
        {"Dispersal capability", "Radius in km", "Radius in km", "0"},
        {"Vegetation stratification", "short grass (< 10 cm)", "short grass (< 10 cm)", "0"},
        {"Vegetation stratification", "medium height (10 to 30 cm)", "medium height (10 to 30 cm)", "0"},
        {"Vegetation stratification", "tall-growing (> 30 cm)", "tall-growing (> 30 cm)", "0"},
        {"Soil moisture", "dry", "dry", "0"},
        {"Soil moisture", "fresh", "fresh", "0"},
        {"Soil moisture", "wet", "wet", "0"},
    };
}
// Egg-deposition inputs of quarter months `first` to `last`, each "0".
inline std::vector<InputLook> egg_inputs(int first, int last) {
    std::vector<InputLook> rows;
    for (const std::string& t : quarter_month_texts(first, last)) rows.push_back({"Egg deposition", t, t, "0"});
    return rows;
}
// Captions shown in a group, and groups standing in another.
struct CaptionLook {
    const char* group;
    const char* text;
};
inline void expect_captions(QWidget* window, const std::vector<CaptionLook>& rows) {
    for (const CaptionLook& row : rows) {
        QGroupBox* g = group_titled(window, row.group);
        ASSERT_NE(g, nullptr) << "group \"" << row.group << '"';
        EXPECT_TRUE(shows_label(g, row.text)) << row.group << ": \"" << row.text << '"';
    }
}
inline void expect_nesting(QWidget* window, const std::vector<std::pair<const char*, const char*>>& inner_outer) {
    for (const auto& [inner, outer] : inner_outer) {
        QGroupBox* i = group_titled(window, inner);
        QGroupBox* o = group_titled(window, outer);
        ASSERT_TRUE(i && o) << inner << " in " << outer;
        EXPECT_TRUE(o->isAncestorOf(i)) << inner << " in " << outer;
    }
}
// The editors' colours: the window's background, group captions and the
// other labels, these drawn without background.
inline void expect_editor_colours(QWidget* window) {
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(255, 255, 240));
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        EXPECT_EQ(g->palette().color(QPalette::WindowText), QColor(139, 26, 26)) << g->title().toStdString();
    for (QLabel* l : window->findChildren<QLabel*>()) {
        EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(0, 100, 0)) << l->text().toStdString();
        EXPECT_FALSE(l->autoFillBackground()) << l->text().toStdString();
    }
}
// The entries of a list, in the order shown.
inline std::vector<std::string> entries(const QListWidget* list) {
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
    return out;
}

// Lets posted work run (the focus given back after a refused input).
inline void settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

template <class Window>
class EditorDriver {
public:
    explicit EditorDriver(Window* window) : window_(window) {
        window_->setAttribute(Qt::WA_DeleteOnClose);
        window_->show();
        window_->activateWindow();
        settle();
    }
    ~EditorDriver() {
        if (window_) delete window_.data();
    }

    Window* window() const { return window_; }
    bool open() const { return window_ && window_->isVisible(); }

    template <class C>
    C* get(const char* name) const {
        C* c = window_->template findChild<C*>(QString::fromUtf8(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    QLineEdit* field(const char* name) const { return get<QLineEdit>(name); }
    std::string text(const char* name) const { return field(name)->text().toStdString(); }

    void type(const char* name, const QString& text) { field(name)->setText(text); }
    // Types into `name`, then moves the focus to `next`: the check of `name` runs.
    void enter(const char* name, const QString& text, const char* next) {
        focus(name);
        type(name, text);
        focus(next);
    }
    // Groups carry their captions as names too: inputs, lists and buttons first.
    void focus(const char* name) {
        const QString n = QString::fromUtf8(name);
        QWidget* w = window_->template findChild<QLineEdit*>(n);
        if (!w) w = window_->template findChild<QListWidget*>(n);
        if (!w) w = window_->template findChild<QPushButton*>(n);
        ASSERT_NE(w, nullptr) << name;
        w->setFocus();
        settle();
    }
    QWidget* focused() const { return QApplication::focusWidget(); }

    void choose(const char* list, int row) { get<QListWidget>(list)->setCurrentRow(row); }
    void click(const char* button) {
        get<QPushButton>(button)->click();
        settle();
    }

private:
    QPointer<Window> window_;
};

// A fixture with one new editor of kind `Window`, shown and driven through
// `ed_`, over a fresh schema that `prepareDatabase` may fill first.
template <class Window>
class EditorTest : public DatabaseTest {
protected:
    void SetUp() override {
        offscreen_application("ui_profile_editors");
        DatabaseTest::SetUp();
        prepareDatabase();
        ed_ = std::make_unique<EditorDriver<Window>>(new Window);
        messages().clear();
    }
    void TearDown() override {
        ed_.reset();
        DatabaseTest::TearDown();
    }
    virtual void prepareDatabase() {}

    // The messages one press of "Save" shows.
    std::vector<std::string> save() {
        messages().clear();
        ed_->click("Save");
        return messages().texts();
    }

    std::unique_ptr<EditorDriver<Window>> ed_;
};

}  // namespace pravel::testing

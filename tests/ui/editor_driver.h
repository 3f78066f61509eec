#pragma once
// Drives a profile editor offscreen the way a user does: typing into inputs,
// moving the focus from one to another (which runs the leave-field checks),
// choosing list entries and pressing buttons.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include <memory>
#include <string>
#include <vector>

#include "common/notifier.h"
#include "support/test_database.h"

namespace pravel::testing {

inline QApplication& editor_application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ui_profile_editors";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
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
        editor_application();
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

#pragma once
// The fixture of the analysis window tests: the demo database, a main window
// with one document, the window under test as its child, and the steps a
// user takes on its labelled controls.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <string>

#include "support/demo_schema.h"
#include "support/offscreen_application.h"
#include "support/test_database.h"
#include "ui/shell.h"

namespace pravel::testing {

template <class Window>
class AnalysisWindowTest : public DatabaseTest {
protected:
    void SetUp() override {
        offscreen_application("ui_analysis_window");
        DatabaseTest::SetUp();
        load_demo_database(schema());
        frame_ = std::make_unique<CMainFrame>();
        frame_->newDocument();
        window_ = new Window(frame_.get());
        messages().clear();
    }
    void TearDown() override {
        frame_.reset();
        DatabaseTest::TearDown();
    }

    template <class C>
    C* get(const char* name) {
        C* c = window_->template control<C>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void click(const char* button) { get<QPushButton>(button)->click(); }
    void type(const char* field, const char* text) { get<QLineEdit>(field)->setText(text); }
    void choose(QListWidget* l, const char* entry) {
        ASSERT_NE(l, nullptr);
        const auto found = l->findItems(entry, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << l->objectName().toStdString() << ": " << entry;
        l->setCurrentItem(found.front());
    }
    void choose(const char* list, const char* entry) { choose(get<QListWidget>(list), entry); }
    void doubleClick(const char* list, int row) {
        QListWidget* l = get<QListWidget>(list);
        emit l->itemDoubleClicked(l->item(row));
    }
    // The message the press of `button` shows, the only one.
    std::string messageOf(QPushButton* button) {
        messages().clear();
        button->click();
        const auto texts = messages().texts();
        return texts.size() == 1 ? texts[0] : "(" + std::to_string(texts.size()) + " messages)";
    }
    std::string messageOf(const char* button) { return messageOf(get<QPushButton>(button)); }
    int rows(const char* list) { return get<QListWidget>(list)->count(); }
    std::string row(const char* list, int i) { return get<QListWidget>(list)->item(i)->text().toStdString(); }

    // Presses Escape in the window under test.
    void pressEscape() {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window_.data(), &press);
    }

    // What the report dialog that `button` opens offers, after the user typed
    // `path` (a name without extension) there and saved.
    struct ReportDialog {
        bool shown = false;
        QStringList filters;
        QString suffix;
        bool saving = false;
    };
    ReportDialog saveThroughReportDialog(const char* button, const QString& path) {
        ReportDialog seen;
        QTimer::singleShot(0, [&seen, path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            seen.shown = true;
            seen.filters = dialog->nameFilters();
            seen.suffix = dialog->defaultSuffix();
            seen.saving = dialog->acceptMode() == QFileDialog::AcceptSave;
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();  // the save button
        });
        click(button);
        return seen;
    }
    static QStringList reportFilters() { return {"txt Files (*.txt)", "All Files (*.*)"}; }

    std::unique_ptr<CMainFrame> frame_;
    QPointer<Window> window_;
};

}  // namespace pravel::testing

#pragma once
// The fixture of the analysis window tests: the demo database, a main window
// with one document, the window under test as its child, and the steps a
// user takes on its labelled controls.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

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

    std::unique_ptr<CMainFrame> frame_;
    QPointer<Window> window_;
};

}  // namespace pravel::testing

#pragma once
// Drives a grassland type or habitat editor offscreen through its named
// controls, on the demo catalogue.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/demo_schema.h"
#include "support/offscreen_application.h"
#include "ui/gruenlanddialog.h"
#include "ui/measure_cascade_model.h"

namespace pravel::testing {

class EditorDriver {
public:
    explicit EditorDriver(gruenlanddialog* editor) : editor_(editor) {}

    gruenlanddialog* editor() const { return editor_; }

    template <class C>
    C* get(const char* name) const {
        C* c = editor_->control<C>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    void type(const char* field, const char* text) const { get<QLineEdit>(field)->setText(text); }
    void click(const char* button) const { get<QAbstractButton>(button)->click(); }
    void choose(const char* list, const std::string& entry) const {
        QListWidget* l = get<QListWidget>(list);
        const auto found = l->findItems(QString::fromStdString(entry), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << list << ": " << entry;
        l->setCurrentItem(found.front());
    }
    // Type of measure, first use and distance to the second use.
    void chooseMeasure(const std::string& name, int first_use, int distance) const {
        choose("Type of measure", name);
        choose("QM of first use", quarter_month_label(first_use));
        choose("Distance to first use in QM", std::to_string(distance));
    }
    std::vector<std::string> entries(const char* list) const {
        std::vector<std::string> out;
        QListWidget* l = get<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i) out.push_back(l->item(i)->text().toStdString());
        return out;
    }
    void doubleClick(const char* list, const std::string& entry) const {
        QListWidget* l = get<QListWidget>(list);
        const auto found = l->findItems(QString::fromStdString(entry), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << list << ": " << entry;
        emit l->itemDoubleClicked(found.front());
    }

private:
    QPointer<gruenlanddialog> editor_;
};

// The texts a window shows, each kind sorted, so that a table written from
// the description can be compared with them whatever the layout order.
struct WindowTexts {
    std::vector<std::string> groups, labels, options, buttons, lists;
    // Every input as "name=initial text".
    std::vector<std::string> inputs;
};

inline WindowTexts window_texts(const QWidget* window) {
    WindowTexts t;
    auto add = [](std::vector<std::string>& to, const QString& text) { to.push_back(text.toStdString()); };
    for (auto* g : window->findChildren<QGroupBox*>()) add(t.groups, g->title());
    for (auto* l : window->findChildren<QLabel*>()) add(t.labels, l->text());
    for (auto* b : window->findChildren<QAbstractButton*>())
        add(b->inherits("QRadioButton") ? t.options : t.buttons, b->text());
    for (auto* l : window->findChildren<QListWidget*>()) add(t.lists, l->objectName());
    for (auto* e : window->findChildren<QLineEdit*>()) add(t.inputs, e->objectName() + "=" + e->text());
    for (auto* v : {&t.groups, &t.labels, &t.options, &t.buttons, &t.lists, &t.inputs}) std::sort(v->begin(), v->end());
    return t;
}

inline std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// A fresh editor of type E, shown, on the demo catalogue for each test.
template <class E>
class EditorTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        load_demo_database(schema());
        editor_ = new E;
        editor_->setAttribute(Qt::WA_DeleteOnClose);
        editor_->show();
        d_ = std::make_unique<EditorDriver>(editor_);
        messages().clear();
    }
    void TearDown() override {
        delete editor_.data();
        DatabaseTest::TearDown();
    }
    // The messages "Save" shows.
    std::vector<std::string> messagesOfSave() {
        messages().clear();
        d_->click("Save");
        return messages().texts();
    }

    QPointer<E> editor_;
    std::unique_ptr<EditorDriver> d_;
};

// The first measureID of a catalogue timing.
inline int measure_id(TestSchema& schema, const std::string& name, int first_use, int distance,
                      const std::string& more = "") {
    return std::stoi(schema.scalar("SELECT MIN(measureID) FROM measures WHERE name = '" + name +
                                   "' AND month_quarter_first_use = " + std::to_string(first_use) +
                                   " AND distance_2use = " + std::to_string(distance) + more));
}

}  // namespace pravel::testing

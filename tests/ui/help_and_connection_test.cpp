// What the program offers beside the analyses: Help > "User guide" with the
// manual shipped in the program, menus reached from the keyboard, a changed
// stored profile that is not closed without asking, and a lost database
// connection that can be retried once the server is back, with what is on
// screen kept (the test server is stopped and started again).
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBrowser>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "common/notifier.h"
#include "store/database_access.h"
#include "support/analysis_window_test.h"
#include "ui/gruenlanddialog.h"
#include "ui/gruenlandladen.h"
#include "ui/massnahmen_wirksamkeit.h"
#include "ui/profile_editor_frame.h"
#include "ui/shell.h"
#include "ui/window_registry.h"

namespace pravel {
namespace {

class HelpTest : public testing::AnalysisWindowTest<massnahmen_wirksamkeit> {};

TEST_F(HelpTest, TheUserGuideOpensFromTheHelpMenuWithTheManual) {
    QAction* guide = frame_->action(cmd::kUserGuide);
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->text(), "User guide");
    guide->trigger();
    UserGuide* shown = nullptr;
    for (UserGuide* g : frame_->findChildren<UserGuide*>()) shown = g;
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->windowTitle(), "User guide");
    const QString text = shown->browser()->toPlainText();
    // The four analyses, the maps, the import, with the demo's figures.
    for (const char* part : {"Simulation of the effectiveness and cost of measures",
                             "Simulation of agri-environmental programmes", "Budget minimisation for given goal",
                             "Goal maximisation for given budget", "Maps", "Importing a study area", "98.01 ha",
                             "2,084 pixels", "importance / 100"})
        EXPECT_TRUE(text.contains(part)) << part;
    EXPECT_FALSE(text.contains("missing from this build"));
}

TEST_F(HelpTest, MenusHaveMnemonicsAndFileOpenIsNotOffered) {
    for (QAction* a : frame_->menuBar()->actions()) {
        if (a->text().isEmpty()) continue;
        EXPECT_TRUE(a->text().contains('&')) << a->text().toStdString();
    }
    QAction* open = frame_->action(cmd::kFileOpen);
    ASSERT_NE(open, nullptr);
    EXPECT_FALSE(open->isVisible());
}

// A stored grassland type, changed after "Edit record": closing asks, No
// keeps the window open, Yes closes it; "Cancel" discards without asking.
TEST_F(HelpTest, ClosingAChangedStoredProfileAsksFirst) {
    register_windows(*frame_);
    struct Case {
        const char* how;  // "title bar", "Escape" or "Cancel"
        bool answer;
        bool asked;
        bool stays;
    } cases[] = {
        {"title bar", false, true, true},
        {"title bar", true, true, false},
        {"Escape", false, true, true},
        {"Cancel", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.how) + (c.answer ? " yes" : " no"));
        frame_->onCommand(cmd::kGrasslandLoad);
        gruenlandladen* load = nullptr;
        for (auto* d : frame_->findChildren<gruenlandladen*>())
            if (d->isVisible()) load = d;
        ASSERT_NE(load, nullptr);
        auto* list = load->findChild<QListWidget*>(kLoadListName);
        ASSERT_GT(list->count(), 0);
        list->setCurrentRow(0);
        gruenlanddialog* editor = load->openChosen();
        ASSERT_NE(editor, nullptr);
        editor->show();
        editor->editRecordButton()->click();
        auto* name = editor->control<QLineEdit>("Data was entered by");
        ASSERT_NE(name, nullptr);
        name->setText("Piet");
        emit name->textEdited("Piet");
        messages().clear();
        messages().queue_answer(c.answer);
        if (std::string(c.how) == "Cancel") {
            editor->cancelButton()->click();
        } else if (std::string(c.how) == "Escape") {
            editor->reject();
        } else {
            editor->close();
        }
        const auto texts = messages().texts();
        if (c.asked)
            EXPECT_EQ(texts, std::vector<std::string>{kUnsavedProfileQuestion});
        else
            EXPECT_TRUE(texts.empty());
        EXPECT_EQ(editor->isVisible(), c.stays);
        if (editor->isVisible()) editor->cancelButton()->click();
        load->close();
    }
}

// The suite's test server, stopped and started again by the database script.
class TestServer {
public:
    TestServer() {
        const std::filesystem::path config = testing::server_config_path();
        const std::filesystem::path root = std::filesystem::path(PRAVEL_EXAMPLES_DIR).parent_path();
        env_ = "PRAVEL_DB_DIR='" + config.parent_path().string() + "' PRAVEL_DB_CONFIG='" + config.string() +
               "' PRAVEL_DB_SCHEMA=pravel_test PRAVEL_DB_FAST=1 '" + (root / "scripts" / "db").string() + "' ";
    }
    bool stop() const { return std::system((env_ + "stop >/dev/null 2>&1").c_str()) == 0; }
    bool start() const { return std::system((env_ + "start >/dev/null 2>&1").c_str()) == 0; }

private:
    std::string env_;
};

// Answers the retry question as a user who restarts the server first.
class RestartingNotifier : public RecordingNotifier {
public:
    explicit RestartingNotifier(const TestServer& server, bool retry) : server_(server), retry_(retry) {}
    using RecordingNotifier::ask_ok_cancel;
    bool ask_ok_cancel(const std::string& text, const std::string& title) override {
        RecordingNotifier::ask_ok_cancel(text, title);
        if (retry_) restarted_ = server_.start();
        return retry_;
    }
    bool restarted() const { return restarted_; }

private:
    const TestServer& server_;
    bool retry_;
    bool restarted_ = false;
};

class ConnectionLostTest : public testing::AnalysisWindowTest<massnahmen_wirksamkeit> {
protected:
    void SetUp() override {
        AnalysisWindowTest::SetUp();
        previous_ = install_connection_retry();
    }
    void TearDown() override {
        // Whatever the test left, the next one needs the server, and the
        // suite's own connection a new link to it.
        server_.start();
        set_connection_lost_handler([](const std::string&) { return true; });
        schema().count("country");
        set_connection_lost_handler(previous_);
        AnalysisWindowTest::TearDown();
    }
    TestServer server_;
    ConnectionLostHandler previous_;
};

TEST_F(ConnectionLostTest, ARetryAfterTheServerIsBackCarriesOnWithNothingLost) {
    choose("Region", "Moorwiesen test area");
    choose("Dutch name", "Grutto");
    type(massnahmen_wirksamkeit::kQualityLabel, "0.3");
    click("Copy values");
    ASSERT_EQ(rows("List of selected species"), 1);

    ASSERT_TRUE(server_.stop());
    auto answering = std::make_shared<RestartingNotifier>(server_, true);
    {
        ScopedNotifier guard(answering);
        // Choosing a species reads its saved versions: the first statement
        // after the loss.
        choose("Dutch name", "Kievit");
    }
    ASSERT_TRUE(answering->restarted());
    ASSERT_FALSE(answering->messages().empty());
    const auto& asked = answering->messages().front();
    EXPECT_EQ(asked.kind, RecordingNotifier::Kind::OkCancel);
    EXPECT_EQ(asked.title, kConnectionLostTitle);
    EXPECT_EQ(asked.text.rfind("The connection to the database was lost:\n", 0), 0u) << asked.text;
    EXPECT_NE(asked.text.find("Retry"), std::string::npos);
    // The statement went through on the new connection; the window and its
    // lists are as they were.
    ASSERT_FALSE(window_.isNull());
    EXPECT_GT(rows("Saved on"), 0);
    EXPECT_EQ(rows("List of selected species"), 1);
    EXPECT_EQ(row("List of selected species", 0), "Grutto");
}

TEST_F(ConnectionLostTest, CloseTakesTheFatalPath) {
    ASSERT_TRUE(server_.stop());
    auto answering = std::make_shared<RestartingNotifier>(server_, false);
    ScopedNotifier guard(answering);
    EXPECT_THROW(choose("Dutch name", "Kievit"), testing::DatabaseExit);
    ASSERT_GE(answering->messages().size(), 3u);
    EXPECT_EQ(answering->messages()[0].title, kConnectionLostTitle);
    // Then the fatal path as before: the driver's text and the closing message.
    EXPECT_EQ(answering->messages()[1].kind, RecordingNotifier::Kind::YesNo);
    EXPECT_EQ(answering->messages().back().text, kConnectionClosingMessage);
}

// Without the handler (the command-line tool) a lost connection stays fatal
// at once.
TEST_F(ConnectionLostTest, WithoutTheHandlerALostConnectionIsFatalAtOnce) {
    set_connection_lost_handler({});
    ASSERT_TRUE(server_.stop());
    EXPECT_THROW(choose("Dutch name", "Kievit"), testing::DatabaseExit);
    for (const auto& m : messages().messages()) EXPECT_NE(m.title, kConnectionLostTitle);
    EXPECT_EQ(messages().messages().back().text, kConnectionClosingMessage);
}

}  // namespace
}  // namespace pravel

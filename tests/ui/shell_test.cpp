// The shell offscreen: start-up, the menus and start-window buttons sending
// the same commands, start windows, the about box, the recent-file list and
// the message-box notifier with its buttons.
#include "ui/shell.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>

#include "store/database_access.h"

namespace pravel {
namespace {

QApplication& application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "ui_shell";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals may already be gone.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Runs `act` on the next modal dialog once it is shown.
template <class F>
void onNextModal(F act) {
    QTimer::singleShot(0, [act] {
        QWidget* modal = QApplication::activeModalWidget();
        act(modal);
        if (modal && modal->isVisible()) modal->close();
    });
}

// The six start-window buttons beside the menu entries of their commands.
struct CommandRow {
    int button;
    QString buttonText;
    int command;
    QString menuText;
};
const std::vector<CommandRow>& commandRows() {
    static const std::vector<CommandRow> rows = {
        {button::kNewBird, "Bird", cmd::kNewBird, "Bird"},
        {button::kLoadBird, "Bird", cmd::kLoadBird, "Bird"},
        {button::kProgrammeSimulation, "Agri-environmental programme", cmd::kProgrammeSimulation,
         "Simulation of agri-environmental programmes"},
        {button::kMeasureSimulation, "Effectiveness and cost of measures", cmd::kMeasureSimulation,
         "Simulation of effectiveness and cost of measures"},
        {button::kBudgetMinimisation, "Budget minimization for given goal", cmd::kBudgetMinimisation,
         "Budget minimization for given goal"},
        {button::kGoalMaximisation, "Goal maximization for given budget", cmd::kGoalMaximisation,
         "Goal maximization for given budget"},
    };
    return rows;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        ASSERT_TRUE(dir_.isValid());
        settingsFile_ = dir_.filePath("missing/settings.ini");
        recorder_ = std::make_shared<RecordingNotifier>();
        guard_ = std::make_unique<ScopedNotifier>(recorder_);
    }

    QString makeFile(const QString& name) {
        const QString path = dir_.filePath(name);
        std::ofstream(path.toStdString()) << "x";
        return path;
    }

    QTemporaryDir dir_;
    QString settingsFile_;
    std::shared_ptr<RecordingNotifier> recorder_;
    std::unique_ptr<ScopedNotifier> guard_;
};

TEST_F(ShellTest, StartUpOpensOneDocumentWindowAndTheStartWindowWithoutDatabase) {
    // A database configuration that cannot exist: any connection attempt at
    // start would report it.
    const std::string previousConfig = database_config_path();
    set_database_config_path(dir_.filePath("no_such_db_config.txt").toStdString());

    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    CMainFrame* frame = app.mainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->windowState() & Qt::WindowMaximized);

    ASSERT_EQ(frame->documentWindows().size(), 1);
    CChildFrame* doc = frame->documentWindows().front();
    EXPECT_EQ(frame->mdiArea()->activeSubWindow(), doc);
    EXPECT_TRUE(doc->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(doc->windowTitle(), "Pravel-Tormin1");
    // The main window's title carries the maximised document's name.
    EXPECT_EQ(frame->windowTitle().toStdString(), "Pravel-Tormin - [Pravel-Tormin1]");
    EXPECT_FALSE(doc->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(doc->windowFlags() & Qt::WindowCloseButtonHint);
    auto* view = qobject_cast<CPravelView*>(doc->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->widget()->size(), QSize(700, 700));

    ASSERT_EQ(frame->startWindows().size(), 1);
    startfenster* start = frame->startWindows().front();
    EXPECT_TRUE(start->isVisible());
    EXPECT_FALSE(start->isModal());
    EXPECT_TRUE(start->headline()->font().bold());
    EXPECT_EQ(start->palette().color(QPalette::Window), QColor(Qt::white));

    EXPECT_TRUE(recorder_->messages().empty());
    EXPECT_FALSE(QFileInfo::exists(settingsFile_));
    set_database_config_path(previousConfig);
}

TEST_F(ShellTest, StartUpWithAMissingFileArgumentFails) {
    CPravelApp app(settingsFile_);
    EXPECT_FALSE(app.initInstance({dir_.filePath("absent.ptd")}, false));
    EXPECT_EQ(app.mainFrame(), nullptr);
}

TEST_F(ShellTest, EachStartWindowButtonAndItsMenuEntrySendTheSameCommand) {
    const std::vector<CommandRow>& rows = commandRows();
    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    CMainFrame* frame = app.mainFrame();
    startfenster* start = frame->startWindows().front();
    std::vector<int> spy;
    QObject::connect(frame, &CMainFrame::commandDispatched, [&spy](int c) { spy.push_back(c); });

    for (const CommandRow& row : rows) {
        SCOPED_TRACE(row.command);
        spy.clear();
        recorder_->clear();
        QPushButton* b = start->button(row.button);
        ASSERT_NE(b, nullptr);
        // The label as shown; its keyboard mark is not part of it.
        EXPECT_EQ(QString(b->text()).remove('&'), row.buttonText);
        b->click();
        QAction* a = frame->action(row.command);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), row.menuText);
        a->trigger();
        ASSERT_EQ(spy.size(), 2);
        EXPECT_EQ(spy[0], row.command);
        EXPECT_EQ(spy[1], row.command);
        // Neither window exists yet: both say so, alike.
        EXPECT_EQ(recorder_->texts(), (std::vector<std::string>{kNotAvailableText, kNotAvailableText}));
    }
    EXPECT_EQ(commandForButton(4711), 0);
}

TEST_F(ShellTest, AButtonAndItsMenuEntryOpenTheSameRegisteredWindow) {
    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    CMainFrame* frame = app.mainFrame();
    for (const CommandRow& row : commandRows()) {
        frame->registerWindow(row.command, [command = row.command](CMainFrame& f) {
            auto* w = new QWidget(&f, Qt::Window);
            w->setObjectName(QString("window%1").arg(command));
            return w;
        });
    }
    startfenster* start = frame->startWindows().front();
    for (const CommandRow& row : commandRows()) {
        SCOPED_TRACE(row.command);
        const QString name = QString("window%1").arg(row.command);
        start->button(row.button)->click();
        frame->action(row.command)->trigger();
        const auto windows = frame->findChildren<QWidget*>(name, Qt::FindDirectChildrenOnly);
        ASSERT_EQ(windows.size(), 2);
        for (QWidget* w : windows) EXPECT_TRUE(w->isVisible());
    }
    EXPECT_TRUE(recorder_->messages().empty());
}

// A dialog that cannot be made, or whose window cannot be created, is
// reported by the editors and the start window; the analysis windows stay
// silent. Nothing is shown and nothing is left behind either way.
TEST_F(ShellTest, AWindowThatCannotBeMadeOrCreatedIsReportedOnlyForTheEditors) {
    enum class Failure { Made, Created };
    struct Row {
        int command;
        Failure failure;
        std::vector<std::string> messages;
    };
    const std::vector<Row> rows = {
        {cmd::kNewBird, Failure::Made, {kDialogObjectErrorText}},
        {cmd::kGrasslandEditor, Failure::Made, {kDialogObjectErrorText}},
        {cmd::kMeasureSimulation, Failure::Made, {}},
        {cmd::kGoalMaximisation, Failure::Made, {}},
        {cmd::kNewBird, Failure::Created, {kDialogCreationErrorText}},
        {cmd::kNewButterfly, Failure::Created, {kDialogCreationErrorText}},
        {cmd::kGrasslandEditor, Failure::Created, {kDialogCreationErrorText}},
        {cmd::kNewStartWindow, Failure::Created, {kDialogCreationErrorText}},
        {cmd::kBudgetMinimisation, Failure::Created, {}},
        {cmd::kProgrammeSimulation, Failure::Created, {}},
    };
    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    CMainFrame* frame = app.mainFrame();
    const int startWindows = frame->startWindows().size();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.command);
        recorder_->clear();
        QPointer<QDialog> made;
        frame->setWindowCreator([](QWidget&) { return false; });
        frame->registerWindow(row.command, [&](CMainFrame& f) -> QWidget* {
            if (row.failure == Failure::Made) return nullptr;
            made = new QDialog(&f);
            return made;
        });
        frame->onCommand(row.command);
        EXPECT_EQ(recorder_->texts(), row.messages);
        if (!row.messages.empty()) EXPECT_EQ(recorder_->messages()[0].kind, RecordingNotifier::Kind::YesNo);
        EXPECT_TRUE(made.isNull()) << "a window that could not be created is not kept";
        EXPECT_EQ(frame->startWindows().size(), startWindows);
    }

    // The platform's own creation succeeds: the window opens as before.
    recorder_->clear();
    frame->setWindowCreator({});
    frame->onCommand(cmd::kNewStartWindow);
    EXPECT_TRUE(recorder_->messages().empty());
    ASSERT_EQ(frame->startWindows().size(), startWindows + 1);
    EXPECT_TRUE(frame->startWindows().back()->isVisible());
}

TEST_F(ShellTest, MapOpensANewWindowOnTheActiveDocumentOrOnANewOne) {
    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    CMainFrame* frame = app.mainFrame();
    QAction* map = frame->action(cmd::kMap);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->text(), "Map");

    // No map view yet: said so, nothing opened.
    map->trigger();
    EXPECT_EQ(recorder_->texts(), std::vector<std::string>{kNotAvailableText});
    EXPECT_EQ(frame->documentWindows().size(), 1);

    std::vector<std::shared_ptr<CPravelDoc>> mapped;
    frame->setMapViewFactory([&mapped](std::shared_ptr<CPravelDoc> doc) {
        mapped.push_back(doc);
        return new QWidget;
    });
    const std::shared_ptr<CPravelDoc> first = frame->documentWindows().front()->document();
    map->trigger();
    ASSERT_EQ(frame->documentWindows().size(), 2);
    ASSERT_EQ(mapped.size(), 1u);
    EXPECT_EQ(mapped[0], first);
    EXPECT_EQ(frame->documentWindows().back()->document(), first);

    // With every document window closed a new document comes first.
    for (CChildFrame* w : frame->documentWindows()) w->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(frame->documentWindows().isEmpty());
    map->trigger();
    ASSERT_EQ(mapped.size(), 2u);
    EXPECT_NE(mapped[1], first);
    ASSERT_EQ(frame->documentWindows().size(), 2);
    for (CChildFrame* w : frame->documentWindows()) EXPECT_EQ(w->document(), mapped[1]);
}

TEST_F(ShellTest, NewStartWindowOpensASecondOneWithItsOwnLifetime) {
    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    CMainFrame* frame = app.mainFrame();
    QAction* a = frame->action(cmd::kNewStartWindow);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(), "New Start Window");
    a->trigger();
    ASSERT_EQ(frame->startWindows().size(), 2);
    for (startfenster* w : frame->startWindows()) EXPECT_TRUE(w->isVisible());

    frame->startWindows().front()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frame->startWindows().size(), 1);
    EXPECT_EQ(frame->documentWindows().size(), 1);
}

TEST_F(ShellTest, AboutOpensTheModalAboutBox) {
    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    QAction* a = app.mainFrame()->action(cmd::kAbout);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(), "About");
    bool seen = false;
    onNextModal([&seen](QWidget* modal) {
        auto* box = qobject_cast<CAboutDlg*>(modal);
        seen = box != nullptr && box->isModal();
        if (box) box->accept();
    });
    a->trigger();
    EXPECT_TRUE(seen);
}

TEST_F(ShellTest, CloseAndSaveImageAppearOnlyWithADocumentWindow) {
    CPravelApp app(settingsFile_);
    ASSERT_TRUE(app.initInstance({}, false));
    CMainFrame* frame = app.mainFrame();
    EXPECT_TRUE(frame->action(cmd::kFileClose)->isVisible());
    EXPECT_TRUE(frame->action(cmd::kSaveImage)->isVisible());
    EXPECT_FALSE(frame->action(cmd::kSaveImage)->isEnabled());

    frame->action(cmd::kFileClose)->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(frame->documentWindows().isEmpty());
    EXPECT_FALSE(frame->action(cmd::kFileClose)->isVisible());
    EXPECT_FALSE(frame->action(cmd::kSaveImage)->isVisible());
    EXPECT_TRUE(frame->action(cmd::kMap)->isVisible());
}

TEST_F(ShellTest, RecentFilesKeepTheLastFourNewestFirstAcrossSessions) {
    QStringList paths;
    for (int i = 0; i < 5; ++i) paths << makeFile(QString("doc%1.ptd").arg(i));
    {
        CPravelApp app(settingsFile_);
        ASSERT_TRUE(app.initInstance({}, false));
        CMainFrame* frame = app.mainFrame();
        for (const QString& p : paths) ASSERT_TRUE(frame->openDocumentFile(p));
        ASSERT_TRUE(frame->openDocumentFile(paths[2]));  // again: moves to the front
        EXPECT_EQ(frame->documentWindows().size(), 7);
        EXPECT_FALSE(frame->openDocumentFile(dir_.filePath("absent.ptd")));
        EXPECT_EQ(recorder_->messages().size(), 1u);
    }
    const QStringList expected = {QFileInfo(paths[2]).absoluteFilePath(), QFileInfo(paths[4]).absoluteFilePath(),
                                  QFileInfo(paths[3]).absoluteFilePath(), QFileInfo(paths[1]).absoluteFilePath()};
    CPravelApp again(settingsFile_);
    ASSERT_TRUE(again.initInstance({}, false));
    CMainFrame* frame = again.mainFrame();
    EXPECT_EQ(frame->recentFiles(), expected);
    QAction* first = frame->action(cmd::kRecentFile1);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->text(), "1 doc2.ptd");

    // A recent file that has gone is dropped from the list when chosen.
    QFile::remove(paths[4]);
    frame->action(cmd::kRecentFile1 + 1)->trigger();
    EXPECT_EQ(frame->recentFiles().size(), 3);
    EXPECT_FALSE(frame->action(cmd::kRecentFile1 + 3)->isVisible());
}

TEST_F(ShellTest, MessageBoxNotifierShowsTheButtonsOfEachKindAndReportsTheAnswer) {
    using Kind = MessageBoxNotifier::Kind;
    struct Row {
        Kind kind;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton press;
        bool expected;
        std::string title;  // asked for (OK/Cancel questions only)
        QString shownTitle;
    };
    const std::vector<Row> rows = {
        {Kind::Inform, QMessageBox::Ok, QMessageBox::Ok, true, "", "Pravel-Tormin"},
        {Kind::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, true, "", "Pravel-Tormin"},
        {Kind::YesNo, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, false, "", "Pravel-Tormin"},
        {Kind::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, true, "", "Pravel-Tormin"},
        {Kind::OkCancel, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, false, "Check input",
         "Check input"},
    };
    MessageBoxNotifier n;
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.press));
        EXPECT_EQ(MessageBoxNotifier::buttonsFor(row.kind), row.buttons);
        QMessageBox::StandardButtons shown;
        QString text;
        QString title;
        onNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box) return;
            shown = box->standardButtons();
            text = box->text();
            title = box->windowTitle();
            box->button(row.press)->click();
        });
        bool answer = true;
        switch (row.kind) {
            case Kind::Inform: n.inform("Done."); break;
            case Kind::YesNo: answer = n.ask_yes_no("Done."); break;
            case Kind::OkCancel: answer = n.ask_ok_cancel("Done.", row.title); break;
        }
        EXPECT_EQ(shown, row.buttons);
        EXPECT_EQ(text, "Done.");
        EXPECT_EQ(title, row.shownTitle);
        EXPECT_EQ(answer, row.expected);
    }
}

}  // namespace
}  // namespace pravel

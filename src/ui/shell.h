#pragma once
// The desktop program's shell: the application object, the multiple-document
// main window with its menus, the document windows, the start window, the
// about box and the message-box notifier. Every menu entry and start-window
// button sends a numeric command identifier; CMainFrame::onCommand is the one
// place that turns an identifier into an action.
#include <QDialog>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QScrollArea>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "common/notifier.h"
#include "ui/result_map_host.h"

class QAction;
class QMdiArea;
class QMenu;
class QPushButton;
class QSettings;
class QTextBrowser;

namespace pravel {

// Command identifiers sent by the menus and the start window.
namespace cmd {
inline constexpr int kNewBird = 32777;
inline constexpr int kNewButterfly = 32776;
inline constexpr int kNewHabitat = 32778;
inline constexpr int kLoadBird = 32793;
inline constexpr int kLoadButterfly = 32792;
inline constexpr int kLoadHabitat = 32794;
inline constexpr int kProgrammeSimulation = 32795;
inline constexpr int kMeasureSimulation = 32801;
inline constexpr int kBudgetMinimisation = 32802;
inline constexpr int kGoalMaximisation = 32804;
inline constexpr int kBudgetEffectCurve = 32852;
inline constexpr int kMap = 32803;
inline constexpr int kSaveImage = 32809;
inline constexpr int kImportStudyArea = 32850;
inline constexpr int kExportResults = 32851;
inline constexpr int kNewStartWindow = 32808;
inline constexpr int kGrasslandEditor = 32783;
inline constexpr int kGrasslandLoad = 32805;
inline constexpr int kAbout = 57664;
inline constexpr int kUserGuide = 57668;
inline constexpr int kFileNew = 57600;
inline constexpr int kFileOpen = 57601;
inline constexpr int kFileClose = 57602;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kRecentFile1 = 57616;  // 57616..57619 for the four entries
inline constexpr int kExit = 57665;
inline constexpr int kWindowCascade = 57650;
inline constexpr int kWindowTile = 57651;
}  // namespace cmd

// The start window's buttons, each with its own control identifier.
namespace button {
inline constexpr int kNewBird = 1263;
inline constexpr int kLoadBird = 1262;
inline constexpr int kProgrammeSimulation = 1277;
inline constexpr int kMeasureSimulation = 1265;
inline constexpr int kBudgetMinimisation = 1279;
inline constexpr int kGoalMaximisation = 1266;
}  // namespace button

// The command a start-window button issues; 0 for an unknown control.
int commandForButton(int controlId);

// Shown (with Yes and No, answer unused) when a dialog cannot be made, and
// when it is made but its window cannot be created.
inline constexpr const char* kDialogObjectErrorText = "Error Creating Dialog Object";
inline constexpr const char* kDialogCreationErrorText = "Error creating Dialog";

// What the dispatch says for a command whose window this version lacks.
inline constexpr const char* kNotAvailableText = "This window is not available in this version.";

// A lost database connection in the desktop program: this box (OK reads
// "Retry", Cancel "Close program") instead of the driver's bare text; Retry
// sends the statement again on a new connection, so what is on screen stays.
inline constexpr const char* kConnectionLostTitle = "Database connection lost";
std::string connection_lost_text(const std::string& driver_text);
// Installs the retry question as the store's handler of a lost connection;
// returns the handler it replaces.
std::function<bool(const std::string&)> install_connection_retry();

// Shows every message as a QMessageBox: OK for notices, Yes/No and OK/Cancel
// for the two kinds of question.
class MessageBoxNotifier : public Notifier {
public:
    enum class Kind { Inform, YesNo, OkCancel };
    static QMessageBox::StandardButtons buttonsFor(Kind kind);

    void inform(const std::string& text) override;
    bool ask_yes_no(const std::string& text) override;
    using Notifier::ask_ok_cancel;
    bool ask_ok_cancel(const std::string& text, const std::string& title) override;

private:
    static QMessageBox::StandardButton show(Kind kind, const std::string& text, const std::string& title = {});
};

// The empty document: one integer nobody uses, never loaded or saved.
class CPravelDoc {
public:
    explicit CPravelDoc(QString title) : title_(std::move(title)) {}
    const QString& title() const { return title_; }
    void setValue(int v) { value_ = v; }
    int value() const { return value_; }

private:
    QString title_;
    int value_ = 0;
};

// The first document window's view: a 700 x 700 scroll area that draws
// nothing.
class CPravelView : public QScrollArea {
    Q_OBJECT
public:
    explicit CPravelView(std::shared_ptr<CPravelDoc> doc, QWidget* parent = nullptr);
    CPravelDoc& document() const { return *doc_; }
    std::shared_ptr<CPravelDoc> sharedDocument() const { return doc_; }

private:
    std::shared_ptr<CPravelDoc> doc_;
};

// The frame of a document window: a caption without window menu or
// minimise, maximise and close boxes.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(std::shared_ptr<CPravelDoc> doc, QWidget* parent = nullptr);
    // The document the window shows.
    std::shared_ptr<CPravelDoc> document() const { return doc_; }

private:
    std::shared_ptr<CPravelDoc> doc_;
};

// The start window: a bold headline on white, the explanatory texts and six
// buttons, each sending its command through `commandIssued`.
class startfenster : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kHeadline =
        "Software for identifying cost-efficient compensation payments for wildlife conservation in grassland";

    explicit startfenster(QWidget* parent = nullptr);
    // The button with control identifier `controlId`, or null.
    QPushButton* button(int controlId) const;
    QWidget* headline() const { return headline_; }

signals:
    void commandIssued(int command);

private:
    QWidget* headline_ = nullptr;
    std::map<int, QPushButton*> buttons_;
};

// Help > "User guide": the manual shipped with the program (a Qt resource
// made from docs/user-guide.md), rendered in a text browser.
class UserGuide : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "User guide";
    static constexpr const char* kResource = ":/help/user-guide.md";
    explicit UserGuide(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_ = nullptr;
};

// The modal about box.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The multiple-document main window with the menus. While no document window
// is open the entries that need one (Close, save image) are hidden.
class CMainFrame : public QMainWindow, public ResultMapHost {
    Q_OBJECT
public:
    static constexpr int kRecentFileCount = 4;

    // `settings` (may be null) keeps the recent-file list; it must outlive
    // the window.
    explicit CMainFrame(QSettings* settings = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QMdiArea* mdiArea() const { return mdi_; }
    // The menu action sending `command`, or null.
    QAction* action(int command) const;
    QList<CChildFrame*> documentWindows() const;
    // The Window menu: Cascade, Tile, then one checkable entry per open
    // document or map window, captioned as the window, the active one
    // checked; choosing an entry brings its window to the front.
    QMenu* windowMenu() const { return windowMenu_; }
    // The entries of the open windows, in the order the area lists them,
    // then the analysis windows, editors and start windows.
    QList<QAction*> windowEntries() const { return windowEntries_; }
    QList<startfenster*> startWindows() const;

    // A new empty document window; `title` empty for the next default name.
    CChildFrame* newDocument(const QString& title = {});
    // Opens `path` as a new empty document window (nothing is read from it)
    // and puts it first in the recent-file list. False for a missing file.
    bool openDocumentFile(const QString& path);
    QStringList recentFiles() const { return recent_; }

    startfenster* openStartWindow();
    // Help > "User guide".
    UserGuide* openUserGuide();

    // Puts `view` into a new document window on the active document (on a
    // new document when none is open), activates it and keeps the menus in
    // step with it while it opens and when it closes. The Map command and the
    // analysis windows' result maps open this way.
    CChildFrame* openDocumentView(QWidget* view);
    // An analysis result map in a new document window.
    QWidget* openResultMap(const char* analysis) override;
    QWidget* openConfigurationMap(int configurationID) override;

    // The windows served by commands are registered as they are built: a
    // factory makes the non-modal window of `command` (null when it cannot),
    // and the dispatch shows it. Several of a kind may be open at once.
    using WindowFactory = std::function<QWidget*(CMainFrame& frame)>;
    void registerWindow(int command, WindowFactory factory);
    // The view of the Map command on a document; the dispatch puts it into a
    // new document window for the active document.
    using MapViewFactory = std::function<QWidget*(std::shared_ptr<CPravelDoc> doc)>;
    void setMapViewFactory(MapViewFactory factory) { mapFactory_ = std::move(factory); }
    // Creates the window system's window of a newly made dialog before it is
    // shown; false when that fails. The default asks the platform for the
    // native window.
    using WindowCreator = std::function<bool(QWidget& window)>;
    void setWindowCreator(WindowCreator creator) { creator_ = std::move(creator); }

    // Window > Tile: the document and map windows side by side in a grid
    // (maps narrower than three panels fold their panel away), the empty
    // documents left behind them. Window > Cascade: the same windows each at
    // three quarters of the area, offset by a caption.
    void tileWindows();
    void cascadeWindows();

public slots:
    // Carries out one command; emits `commandDispatched` first.
    void onCommand(int command);

signals:
    void commandDispatched(int command);

private:
    QList<QMdiSubWindow*> arrangedWindows() const;
    // The visible top-level windows of the program besides the main window.
    QList<QWidget*> toolWindows() const;
    QAction* addCommand(QMenu* menu, const QString& text, int command);
    void updateMenusForDocuments();
    void loadRecentFiles();
    void storeRecentFiles();
    void rebuildRecentMenu();
    void rebuildWindowMenu();
    void openRegisteredWindow(int command, const WindowFactory& factory);
    void openMap();
    // Adds a document window to the area, activates it and ties the menus to it.
    void addDocumentWindow(CChildFrame* frame);
    // The document of the active document window; a new one when none is open.
    std::shared_ptr<CPravelDoc> activeDocument();

    QMdiArea* mdi_ = nullptr;
    QSettings* settings_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* recentSeparator_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QAction* windowSeparator_ = nullptr;
    QList<QAction*> windowEntries_;
    std::map<int, QAction*> actions_;
    std::vector<QAction*> recentActions_;
    QStringList recent_;
    int documentCount_ = 0;
    // Creates `window`'s window; on failure tells `failure` (unless empty)
    // and deletes the window.
    bool createWindow(QWidget* window, const char* failure);

    std::map<int, WindowFactory> factories_;
    MapViewFactory mapFactory_;
    WindowCreator creator_;
};

// The application object: runs start-up and owns the main window.
class CPravelApp {
public:
    static constexpr const char* kSettingsKey = "Vom lokalen Anwendungs-Assistenten generierte Anwendungen";
    static constexpr const char* kTitle = "Pravel-Tormin";

    // `settingsFile` empty for the platform's settings store under the
    // settings key, otherwise an INI file (it need not exist).
    explicit CPravelApp(QString settingsFile = {});
    ~CPravelApp();

    // Start-up in order: settings, main window, command line (no arguments:
    // one empty document window; one argument: that file), main window shown
    // maximised, the start window, the active document window maximised.
    // Installs the message-box notifier unless `installNotifier` is false.
    // False when start-up fails; the program then ends.
    bool initInstance(const QStringList& arguments, bool installNotifier = true);

    CMainFrame* mainFrame() const { return frame_.get(); }

private:
    QString settingsFile_;
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<CMainFrame> frame_;
    // Gives the buttons of every window shown a keyboard mnemonic.
    std::unique_ptr<QObject> mnemonics_;
    std::shared_ptr<Notifier> previousNotifier_;
    bool notifierInstalled_ = false;
    std::function<bool(const std::string&)> previousLostHandler_;
    bool lostHandlerInstalled_ = false;
};

}  // namespace pravel

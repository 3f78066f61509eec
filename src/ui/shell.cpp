#include "ui/shell.h"
#include "ui/button_mnemonics.h"

#include <algorithm>
#include <cmath>

#include "store/database_access.h"
#include "ui/map_views.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QTextBrowser>
#include <QGridLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace pravel {

int commandForButton(int controlId) {
    switch (controlId) {
        case button::kNewBird: return cmd::kNewBird;
        case button::kLoadBird: return cmd::kLoadBird;
        case button::kProgrammeSimulation: return cmd::kProgrammeSimulation;
        case button::kMeasureSimulation: return cmd::kMeasureSimulation;
        case button::kBudgetMinimisation: return cmd::kBudgetMinimisation;
        case button::kGoalMaximisation: return cmd::kGoalMaximisation;
        default: return 0;
    }
}

// ---------------------------------------------------------------- notifier

QMessageBox::StandardButtons MessageBoxNotifier::buttonsFor(Kind kind) {
    switch (kind) {
        case Kind::YesNo: return QMessageBox::Yes | QMessageBox::No;
        case Kind::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
        case Kind::Inform: break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton MessageBoxNotifier::show(Kind kind, const std::string& text, const std::string& title) {
    QMessageBox box(kind == Kind::Inform ? QMessageBox::Information : QMessageBox::Question,
                    title.empty() ? QString(CPravelApp::kTitle) : QString::fromStdString(title),
                    QString::fromStdString(text), buttonsFor(kind),
                    QApplication::activeWindow());
    if (kind == Kind::OkCancel && title == kConnectionLostTitle) {
        box.setIcon(QMessageBox::Warning);
        box.button(QMessageBox::Ok)->setText("&Retry");
        box.button(QMessageBox::Cancel)->setText("&Close program");
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

std::string connection_lost_text(const std::string& driver_text) {
    return "The connection to the database was lost:\n" + driver_text +
           "\n\nNothing on screen is lost. Make sure the database server is running, then choose Retry to carry "
           "on where the program stopped, or Close program to end it.";
}

std::function<bool(const std::string&)> install_connection_retry() {
    return set_connection_lost_handler([](const std::string& driver_text) {
        return notifier().ask_ok_cancel(connection_lost_text(driver_text), kConnectionLostTitle);
    });
}

void MessageBoxNotifier::inform(const std::string& text) { show(Kind::Inform, text); }

bool MessageBoxNotifier::ask_yes_no(const std::string& text) {
    return show(Kind::YesNo, text) == QMessageBox::Yes;
}

bool MessageBoxNotifier::ask_ok_cancel(const std::string& text, const std::string& title) {
    return show(Kind::OkCancel, text, title) == QMessageBox::Ok;
}

// ------------------------------------------------------ document and frame

CPravelView::CPravelView(std::shared_ptr<CPravelDoc> doc, QWidget* parent)
    : QScrollArea(parent), doc_(std::move(doc)) {
    auto* canvas = new QWidget;
    canvas->setFixedSize(700, 700);
    setWidget(canvas);
}

CChildFrame::CChildFrame(std::shared_ptr<CPravelDoc> doc, QWidget* parent)
    : QMdiSubWindow(parent), doc_(std::move(doc)) {
    setWindowTitle(doc_->title());
    setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setAttribute(Qt::WA_DeleteOnClose);
}

// ------------------------------------------------------------ start window

startfenster::startfenster(QWidget* parent) : QDialog(parent) {
    setWindowTitle(CPravelApp::kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::Base, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    auto* headline = new QLabel(kHeadline, this);
    headline->setObjectName("1274");
    headline->setWordWrap(true);
    QFont bold = headline->font();
    bold.setWeight(QFont::Bold);
    headline->setFont(bold);
    headline_ = headline;
    layout->addWidget(headline);

    auto addText = [&](const char* text) {
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        layout->addWidget(label);
    };
    addText("This tool supports the planning of agri-environmental grassland programmes. It offers the "
            "simulation of effectiveness and cost of measures, the simulation of agri-environmental "
            "programmes, and the optimization of the budget for a given goal or of the goal for a given "
            "budget.");
    addText("The data of the selected grassland bird species can be reviewed under \"Load characteristics\"; "
            "further species and habitats can be entered under \"New characteristics\".");
    addText("The manual describes the tool and its analyses in detail.");

    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    auto addButton = [&](int id, const char* text, int row, int column) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::number(id));
        b->setProperty("controlId", id);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, id] { emit commandIssued(commandForButton(id)); });
        buttons_[id] = b;
        grid->addWidget(b, row, column);
    };
    grid->addWidget(new QLabel("New characteristics:", this), 0, 0);
    addButton(button::kNewBird, "Bird", 0, 1);
    grid->addWidget(new QLabel("Load characteristics:", this), 1, 0);
    addButton(button::kLoadBird, "Bird", 1, 1);
    addButton(button::kMeasureSimulation, "Effectiveness and cost of measures", 2, 0);
    addButton(button::kProgrammeSimulation, "Agri-environmental programme", 2, 1);
    addButton(button::kBudgetMinimisation, "Budget minimization for given goal", 3, 0);
    addButton(button::kGoalMaximisation, "Goal maximization for given budget", 3, 1);
}

QPushButton* startfenster::button(int controlId) const {
    auto it = buttons_.find(controlId);
    return it == buttons_.end() ? nullptr : it->second;
}

// -------------------------------------------------------------- user guide

UserGuide::UserGuide(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    browser_ = new QTextBrowser(this);
    browser_->setObjectName(kTitle);
    browser_->setOpenExternalLinks(true);
    QFile file(kResource);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        browser_->setMarkdown(QString::fromUtf8(file.readAll()));
    else
        browser_->setPlainText("The user guide is missing from this build.");
    layout->addWidget(browser_);
    auto* close = new QPushButton("&Close", this);
    close->setObjectName("Close");
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(860, 720);
}

UserGuide* CMainFrame::openUserGuide() {
    auto* guide = new UserGuide(this);
    guide->show();
    guide->raise();
    return guide;
}

// --------------------------------------------------------------- about box

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString("About ") + CPravelApp::kTitle);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString(CPravelApp::kTitle) + " Version " + PRAVEL_VERSION_TEXT, this));
    layout->addWidget(new QLabel(startfenster::kHeadline, this));
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

// -------------------------------------------------------------- main frame

CMainFrame::CMainFrame(QSettings* settings, QWidget* parent) : QMainWindow(parent), settings_(settings) {
    setWindowTitle(CPravelApp::kTitle);
    mdi_ = new QMdiArea(this);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] {
        if (!actions_.empty()) updateMenusForDocuments();
    });

    QMenuBar* bar = menuBar();
    fileMenu_ = bar->addMenu("&File");
    // An opened file would only show an empty document: the entry is not
    // offered (the command stays for the recent-file list and the command line).
    addCommand(fileMenu_, "Open...", cmd::kFileOpen)->setVisible(false);
    addCommand(fileMenu_, "Close", cmd::kFileClose);
    addCommand(fileMenu_, "Import study area...", cmd::kImportStudyArea);
    recentSeparator_ = fileMenu_->addSeparator();
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* a = addCommand(fileMenu_, QString(), cmd::kRecentFile1 + i);
        recentActions_.push_back(a);
    }
    fileMenu_->addSeparator();
    addCommand(fileMenu_, "Exit", cmd::kExit);

    QMenu* characteristics = bar->addMenu("&Characteristics");
    QMenu* newMenu = characteristics->addMenu("New");
    addCommand(newMenu, "Bird", cmd::kNewBird);
    QMenu* loadMenu = characteristics->addMenu("Load");
    addCommand(loadMenu, "Bird", cmd::kLoadBird);
    // The butterfly, habitat and grassland windows have no entry of their own
    // in the classic menu; they are offered below a separator so that a user
    // can reach them.
    newMenu->addSeparator();
    addCommand(newMenu, "Butterfly", cmd::kNewButterfly);
    addCommand(newMenu, "Habitat", cmd::kNewHabitat);
    addCommand(newMenu, "Grassland type", cmd::kGrasslandEditor);
    loadMenu->addSeparator();
    addCommand(loadMenu, "Butterfly", cmd::kLoadButterfly);
    addCommand(loadMenu, "Habitat", cmd::kLoadHabitat);
    addCommand(loadMenu, "Grassland type", cmd::kGrasslandLoad);

    QMenu* simulation = bar->addMenu("&Simulation");
    addCommand(simulation, "Simulation of agri-environmental programmes", cmd::kProgrammeSimulation);
    addCommand(simulation, "Simulation of effectiveness and cost of measures", cmd::kMeasureSimulation);

    QMenu* optimization = bar->addMenu("&Optimization");
    addCommand(optimization, "Budget minimization for given goal", cmd::kBudgetMinimisation);
    addCommand(optimization, "Goal maximization for given budget", cmd::kGoalMaximisation);
    addCommand(optimization, "Budget-effect curve", cmd::kBudgetEffectCurve);

    QMenu* visual = bar->addMenu("&Visualisization");
    addCommand(visual, "Map", cmd::kMap);
    // Served by the map view; there is none yet to serve it.
    addCommand(visual, "save image", cmd::kSaveImage);
    addCommand(visual, "Export results...", cmd::kExportResults);

    addCommand(bar->addMenu("S&tart Window"), "New Start Window", cmd::kNewStartWindow);
    // Every document and map window can be found again here.
    windowMenu_ = bar->addMenu("&Window");
    windowMenu_->setObjectName("Window");
    addCommand(windowMenu_, "Cascade", cmd::kWindowCascade);
    addCommand(windowMenu_, "Tile", cmd::kWindowTile);
    windowSeparator_ = windowMenu_->addSeparator();
    connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::rebuildWindowMenu);
    QMenu* help = bar->addMenu("&Help");
    addCommand(help, "User guide", cmd::kUserGuide)->setShortcut(QKeySequence::HelpContents);
    addCommand(help, "About", cmd::kAbout);

    connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { updateMenusForDocuments(); });
    loadRecentFiles();
    rebuildRecentMenu();
    updateMenusForDocuments();
}

CMainFrame::~CMainFrame() {
    // The document windows go after this object's members: they must not
    // reach back into the menus while they do.
    // Every window of the area counts, listed or not (a window the area is
    // done with may no longer be listed but is still its child).
    for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
}

QAction* CMainFrame::addCommand(QMenu* menu, const QString& text, int command) {
    QAction* a = menu->addAction(text);
    a->setData(command);
    connect(a, &QAction::triggered, this, [this, command] { onCommand(command); });
    actions_[command] = a;
    return a;
}

QAction* CMainFrame::action(int command) const {
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

QList<CChildFrame*> CMainFrame::documentWindows() const {
    QList<CChildFrame*> result;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* c = qobject_cast<CChildFrame*>(w)) result.push_back(c);
    return result;
}

QList<startfenster*> CMainFrame::startWindows() const { return findChildren<startfenster*>(); }

void CMainFrame::updateMenusForDocuments() {
    // The document-window menu differs from the empty one by Close and
    // save image.
    const bool hasDocument = !mdi_->subWindowList().isEmpty();
    actions_.at(cmd::kFileClose)->setVisible(hasDocument);
    actions_.at(cmd::kSaveImage)->setVisible(hasDocument);
    // An image can be saved from a map view only.
    QMdiSubWindow* active = mdi_->activeSubWindow();
    actions_.at(cmd::kSaveImage)->setEnabled(active && qobject_cast<MapView*>(active->widget()));
    rebuildWindowMenu();
}

// The windows Tile and Cascade arrange: every document window but the empty
// ones (a document with nothing to show would only take room from a map).
QList<QMdiSubWindow*> CMainFrame::arrangedWindows() const {
    QList<QMdiSubWindow*> out;
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (!w || qobject_cast<CPravelView*>(w->widget())) continue;
        out.push_back(w);
    }
    return out;
}

void CMainFrame::tileWindows() {
    const QList<QMdiSubWindow*> windows = arrangedWindows();
    if (windows.isEmpty()) {
        mdi_->tileSubWindows();
        return;
    }
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w && !windows.contains(w)) w->lower();
    // A grid as square as the windows allow: two side by side, four in two
    // rows, and so on.
    const int n = static_cast<int>(windows.size());
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    const int rows = (n + columns - 1) / columns;
    const QRect area = mdi_->viewport()->rect();
    const int width = area.width() / columns;
    const int height = area.height() / rows;
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized() || w->isMinimized()) w->showNormal();
        w->setGeometry(area.left() + (i % columns) * width, area.top() + (i / columns) * height, width, height);
        // A map narrower than its panel could hold folds the panel away.
        if (auto* map = qobject_cast<MapView*>(w->widget())) map->setPanelCollapsed(width < 3 * kPanelWidth);
        w->raise();
    }
}

void CMainFrame::cascadeWindows() {
    const QList<QMdiSubWindow*> windows = arrangedWindows();
    if (windows.isEmpty()) {
        mdi_->cascadeSubWindows();
        return;
    }
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (w && !windows.contains(w)) w->lower();
    // Each window keeps three quarters of the area, offset by a caption's
    // height from the one before, so that every caption stays in reach.
    const QRect area = mdi_->viewport()->rect();
    const int step = std::max(24, fontMetrics().height() + 12);
    const int n = static_cast<int>(windows.size());
    const int width = std::max(area.width() * 3 / 4, area.width() - step * (n - 1));
    const int height = std::max(area.height() * 3 / 4, area.height() - step * (n - 1));
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[i];
        if (w->isMaximized() || w->isMinimized()) w->showNormal();
        const int offset = step * i;
        w->setGeometry(area.left() + std::min(offset, std::max(0, area.width() - width)),
                       area.top() + std::min(offset, std::max(0, area.height() - height)), width, height);
        if (auto* map = qobject_cast<MapView*>(w->widget())) map->setPanelCollapsed(false);
        w->raise();
    }
    // Not activated through the area: with a maximised document behind, the
    // area would maximise the activated window too.
}

QList<QWidget*> CMainFrame::toolWindows() const {
    QList<QWidget*> out;
    for (QObject* child : children()) {
        auto* w = qobject_cast<QDialog*>(child);
        if (w && w->isVisible() && w->isWindow()) out.push_back(w);
    }
    return out;
}

void CMainFrame::rebuildWindowMenu() {
    for (QAction* a : windowEntries_) {
        windowMenu_->removeAction(a);
        a->deleteLater();
    }
    windowEntries_.clear();
    QList<QMdiSubWindow*> windows = mdi_->subWindowList();
    // A window being destroyed may still be listed, as a null entry.
    windows.removeAll(nullptr);
    windowSeparator_->setVisible(!windows.isEmpty());
    actions_.at(cmd::kWindowCascade)->setEnabled(!windows.isEmpty());
    actions_.at(cmd::kWindowTile)->setEnabled(!windows.isEmpty());
    QMdiSubWindow* active = mdi_->activeSubWindow();
    for (int i = 0; i < windows.size(); ++i) {
        QMdiSubWindow* w = windows[i];
        // Numbered as a keyboard user picks them; an ampersand of a caption
        // is shown, not taken for a shortcut.
        QString caption = w->windowTitle();
        caption.replace('&', "&&");
        QAction* a = windowMenu_->addAction(i < 9 ? QString("&%1 %2").arg(i + 1).arg(caption)
                                                  : QString("%1 %2").arg(i + 1).arg(caption));
        a->setCheckable(true);
        a->setChecked(w == active);
        connect(a, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(w)] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            mdi_->setActiveSubWindow(target);
            target->raise();
        });
        windowEntries_.push_back(a);
    }
    // The analysis windows, editors and start windows, after the document
    // and map windows: every open window of the program can be found here.
    const QList<QWidget*> tools = toolWindows();
    for (int i = 0; i < tools.size(); ++i) {
        QString caption = tools[i]->windowTitle();
        caption.replace('&', "&&");
        const int number = static_cast<int>(windows.size()) + i + 1;
        QAction* a = windowMenu_->addAction(number < 10 ? QString("&%1 %2").arg(number).arg(caption)
                                                        : QString("%1 %2").arg(number).arg(caption));
        a->setCheckable(true);
        a->setChecked(tools[i]->isActiveWindow());
        connect(a, &QAction::triggered, this, [target = QPointer<QWidget>(tools[i])] {
            if (!target) return;
            if (target->isMinimized()) target->showNormal();
            target->raise();
            target->activateWindow();
        });
        windowEntries_.push_back(a);
    }
}

CChildFrame* CMainFrame::newDocument(const QString& title) {
    ++documentCount_;
    auto doc = std::make_shared<CPravelDoc>(title.isEmpty() ? QString(CPravelApp::kTitle) + QString::number(documentCount_)
                                                            : title);
    auto* frame = new CChildFrame(doc);
    frame->setWidget(new CPravelView(doc));
    addDocumentWindow(frame);
    return frame;
}

QWidget* CMainFrame::openResultMap(const char* analysis) {
    auto* map = new visdireckt();
    if (analysis) map->setAnalysis(analysis);
    openDocumentView(map);
    return map;
}

QWidget* CMainFrame::openConfigurationMap(int configurationID) {
    auto* map = new Cvisualisierung();
    map->showConfiguration(configurationID);
    openDocumentView(map);
    return map;
}

void CMainFrame::addDocumentWindow(CChildFrame* frame) {
    mdi_->addSubWindow(frame);
    // The menus follow the document windows as they come and go.
    connect(frame, &QObject::destroyed, this, [this] { updateMenusForDocuments(); });
    frame->show();
    mdi_->setActiveSubWindow(frame);
    updateMenusForDocuments();
}

bool CMainFrame::openDocumentFile(const QString& path) {
    QFileInfo info(path);
    if (!info.exists()) {
        notifier().inform(("Cannot open the file " + path).toStdString());
        return false;
    }
    newDocument(info.fileName());
    recent_.removeAll(info.absoluteFilePath());
    recent_.prepend(info.absoluteFilePath());
    while (recent_.size() > kRecentFileCount) recent_.removeLast();
    storeRecentFiles();
    rebuildRecentMenu();
    return true;
}

void CMainFrame::loadRecentFiles() {
    recent_.clear();
    if (!settings_) return;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        QString f = settings_->value(QString("Recent File List/File%1").arg(i)).toString();
        if (!f.isEmpty()) recent_.push_back(f);
    }
}

void CMainFrame::storeRecentFiles() {
    if (!settings_) return;
    settings_->remove("Recent File List");
    for (int i = 0; i < recent_.size(); ++i)
        settings_->setValue(QString("Recent File List/File%1").arg(i + 1), recent_[i]);
    settings_->sync();
}

void CMainFrame::rebuildRecentMenu() {
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* a = recentActions_[i];
        const bool used = i < recent_.size();
        a->setVisible(used);
        if (used) a->setText(QString("%1 %2").arg(i + 1).arg(QFileInfo(recent_[i]).fileName()));
    }
    recentSeparator_->setVisible(!recent_.isEmpty());
}

bool CMainFrame::createWindow(QWidget* window, const char* failure) {
    const bool created = creator_ ? creator_(*window) : (window->winId(), window->testAttribute(Qt::WA_WState_Created));
    if (created) return true;
    if (failure) notifier().ask_yes_no(failure);
    delete window;
    return false;
}

startfenster* CMainFrame::openStartWindow() {
    auto* w = new startfenster(this);
    if (!createWindow(w, kDialogCreationErrorText)) return nullptr;
    connect(w, &startfenster::commandIssued, this, &CMainFrame::onCommand);
    w->show();
    w->raise();
    return w;
}

void CMainFrame::onCommand(int command) {
    emit commandDispatched(command);
    switch (command) {
        case cmd::kNewStartWindow:
            openStartWindow();
            return;
        case cmd::kAbout: {
            CAboutDlg box(this);
            box.exec();
            return;
        }
        case cmd::kUserGuide:
            openUserGuide();
            return;
        case cmd::kFileNew:
            newDocument();
            return;
        case cmd::kFileOpen: {
            const QString path = QFileDialog::getOpenFileName(this, "Open");
            if (!path.isEmpty()) openDocumentFile(path);
            return;
        }
        case cmd::kFileClose:
            if (QMdiSubWindow* w = mdi_->activeSubWindow()) w->close();
            return;
        case cmd::kExit:
            close();
            return;
        case cmd::kWindowCascade:
            cascadeWindows();
            return;
        case cmd::kWindowTile:
            tileWindows();
            return;
        default:
            break;
    }
    if (command >= cmd::kRecentFile1 && command < cmd::kRecentFile1 + kRecentFileCount) {
        const int index = command - cmd::kRecentFile1;
        if (index < recent_.size() && !openDocumentFile(recent_[index])) {
            recent_.removeAt(index);
            storeRecentFiles();
            rebuildRecentMenu();
        }
        return;
    }
    if (command == cmd::kMap) {
        openMap();
        return;
    }
    if (command == cmd::kSaveImage) {
        // Saves the visible area of the active map view.
        QMdiSubWindow* active = mdi_->activeSubWindow();
        if (auto* view = active ? qobject_cast<MapView*>(active->widget()) : nullptr) {
            view->saveImage();
        } else {
            notifier().inform("Open a map first (Visualisization > Map).");
        }
        return;
    }
    if (auto it = factories_.find(command); it != factories_.end()) {
        openRegisteredWindow(command, it->second);
        return;
    }
    // A window not registered yet (profile editors and load dialogs, the
    // analysis windows) is not part of this version.
    notifier().inform(kNotAvailableText);
}

void CMainFrame::registerWindow(int command, WindowFactory factory) { factories_[command] = std::move(factory); }

void CMainFrame::openRegisteredWindow(int command, const WindowFactory& factory) {
    // The editors report a failure; the analysis windows stay silent.
    const bool reports =
        command == cmd::kNewBird || command == cmd::kNewButterfly || command == cmd::kGrasslandEditor;
    QWidget* w = factory(*this);
    if (!w) {
        if (reports) notifier().ask_yes_no(kDialogObjectErrorText);
        return;
    }
    if (!createWindow(w, reports ? kDialogCreationErrorText : nullptr)) return;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    w->raise();
}

void CMainFrame::openMap() {
    if (!mapFactory_) {
        notifier().inform(kNotAvailableText);
        return;
    }
    QWidget* mapView = mapFactory_(activeDocument());
    if (mapView) openDocumentView(mapView);
}

std::shared_ptr<CPravelDoc> CMainFrame::activeDocument() {
    // With every document window closed, a new one is opened first.
    auto* active = qobject_cast<CChildFrame*>(mdi_->activeSubWindow());
    if (!active) active = newDocument();
    return active->document();
}

CChildFrame* CMainFrame::openDocumentView(QWidget* view) {
    auto* frame = new CChildFrame(activeDocument());
    // A map window can be minimised, maximised and closed from its caption.
    if (qobject_cast<MapView*>(view))
        frame->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    frame->setWidget(view);
    addDocumentWindow(frame);
    return frame;
}

// ------------------------------------------------------------- application

CPravelApp::CPravelApp(QString settingsFile) : settingsFile_(std::move(settingsFile)) {}

CPravelApp::~CPravelApp() {
    frame_.reset();
    if (notifierInstalled_) set_notifier(previousNotifier_);
    if (lostHandlerInstalled_) set_connection_lost_handler(previousLostHandler_);
}

bool CPravelApp::initInstance(const QStringList& arguments, bool installNotifier) {
    if (installNotifier) {
        previousNotifier_ = set_notifier(std::make_shared<MessageBoxNotifier>());
        notifierInstalled_ = true;
    }
    // The windows wait for a lost database connection to come back.
    previousLostHandler_ = install_connection_retry();
    lostHandlerInstalled_ = true;
    settings_ = settingsFile_.isEmpty() ? std::make_unique<QSettings>(kSettingsKey, kTitle)
                                        : std::make_unique<QSettings>(settingsFile_, QSettings::IniFormat);

    if (!mnemonics_) {
        mnemonics_ = std::make_unique<ButtonMnemonics>();
        QCoreApplication::instance()->installEventFilter(mnemonics_.get());
    }
    frame_ = std::make_unique<CMainFrame>(settings_.get());

    if (arguments.isEmpty()) {
        frame_->newDocument();
    } else if (arguments.size() > 1 || !frame_->openDocumentFile(arguments.front())) {
        frame_.reset();
        return false;
    }

    frame_->showMaximized();
    frame_->update();
    frame_->openStartWindow();
    if (QMdiSubWindow* active = frame_->mdiArea()->activeSubWindow()) active->showMaximized();
    return true;
}

}  // namespace pravel

#include "ui/window_parts.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTime>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "store/landscape_store.h"
#include "store/profile_store.h"
#include "ui/progress_dialog.h"
#include "ui/result_map_host.h"

namespace pravel {

QLabel* label(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

TextSizedList::TextSizedList(int columns, int lines, QWidget* parent)
    : QListWidget(parent), columns_(columns), lines_(lines) {}

void TextSizedList::setTextSize(int columns, int lines) {
    columns_ = columns;
    lines_ = lines;
    updateGeometry();
}

QSize TextSizedList::sizeHint() const {
    // One entry of `columns` digits as the view's style draws it: the text
    // and the item's own margins.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.text = QString(columns_, QLatin1Char('0'));
    option.features |= QStyleOptionViewItem::HasDisplay;
    const QSize item = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this);
    const int frame = 2 * frameWidth();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
    // A little room beyond the last entry, so that it is not taken for cut.
    return {item.width() + frame + bar + spacing() * 2, item.height() * lines_ + frame + item.height() / 2};
}

QListWidget* namedList(const QString& name, QWidget* parent, int columns, int lines) {
    auto* l = new TextSizedList(columns, lines, parent);
    l->setObjectName(name);
    return l;
}

AnalysisLayout analysis_layout(QWidget* window) {
    const AnalysisLayout parts{new QHBoxLayout, new QVBoxLayout, new QVBoxLayout, new QVBoxLayout};
    auto* columns = new QHBoxLayout;
    columns->addLayout(parts.left);
    columns->addLayout(parts.inputs);
    columns->addLayout(parts.results, 1);
    auto* top = new QVBoxLayout(window);
    top->addLayout(parts.measures);
    top->addLayout(columns, 1);
    return parts;
}

QSize opening_size(const QWidget* window) {
    QSize wanted = window->sizeHint();
    wanted.setWidth(std::max(wanted.width(), caption_width(window, window->windowTitle())));
    const QScreen* screen = window->screen();
    if (!screen) return wanted;
    // The frame the window system draws around the window takes some room
    // of the free area too.
    return wanted.boundedTo(screen->availableGeometry().size() - QSize(16, 48));
}

QPushButton* namedButton(const QString& name, QWidget* parent) {
    auto* b = new QPushButton(name, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLineEdit* namedField(const QString& name, QWidget* parent) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(name);
    return f;
}

std::pair<QPushButton*, QPushButton*> addOkCancel(QBoxLayout* layout, QWidget* parent) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    QPushButton* ok = namedButton("OK", parent);
    QPushButton* cancel = namedButton("Cancel", parent);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    return {ok, cancel};
}

void fill(QListWidget* list, const std::vector<std::string>& entries) {
    list->clear();
    for (const auto& e : entries) list->addItem(QString::fromStdString(e));
}

void on_entry_chosen(QListWidget* list, QObject* context, std::function<void(int row)> chosen) {
    QObject::connect(list, &QListWidget::itemSelectionChanged, context, [list, chosen = std::move(chosen)] {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        if (!selected.isEmpty()) chosen(list->row(selected.front()));
    });
}

void fill_region_and_species(DatabaseAccess& db, QListWidget* region, QListWidget* dutch, QListWidget* latin) {
    fill(region, country_names(db));
    fill(dutch, species_distinct_values(db, "name"));
    fill(latin, species_distinct_values(db, "name_latein"));
}

std::optional<int> selected_country(DatabaseAccess& db, const QListWidget* region) {
    QListWidgetItem* item = region->currentItem();
    if (!item || !item->isSelected()) return std::nullopt;
    return country_id(db, item->text().toStdString());
}

void link_species_names(DatabaseAccess& db, QListWidget* dutch, QListWidget* latin, QListWidget* saved_on,
                        QObject* context, std::function<void(const QString&)> chosen) {
    // Selecting the partner entry fires the partner's own signal; the flag
    // keeps that echo from running the lookup a second time.
    auto syncing = std::make_shared<bool>(false);
    auto show_versions = [&db, saved_on, chosen](const QString& dutch_name) {
        if (chosen) chosen(dutch_name);
        fill(saved_on, species_savetimes(db, "name", dutch_name.toStdString()));
        if (saved_on->count() > 0) saved_on->setCurrentRow(0);
    };
    on_entry_chosen(dutch, context, [&db, dutch, latin, syncing, show_versions](int) {
        QListWidgetItem* item = dutch->currentItem();
        if (*syncing || !item) return;
        const std::string name = species_column_value(db, "name_latein", "name", item->text().toStdString());
        *syncing = true;
        const auto found = latin->findItems(QString::fromStdString(name), Qt::MatchExactly);
        if (!found.isEmpty()) latin->setCurrentItem(found.front());
        *syncing = false;
        show_versions(item->text());
    });
    on_entry_chosen(latin, context, [&db, dutch, latin, syncing, show_versions](int) {
        QListWidgetItem* item = latin->currentItem();
        if (*syncing || !item) return;
        const std::string name = species_column_value(db, "name", "name_latein", item->text().toStdString());
        *syncing = true;
        const auto found = dutch->findItems(QString::fromStdString(name), Qt::MatchExactly);
        if (!found.isEmpty()) dutch->setCurrentItem(found.front());
        *syncing = false;
        show_versions(QString::fromStdString(name));
    });
}

WaitCursor::WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
WaitCursor::~WaitCursor() { QApplication::restoreOverrideCursor(); }

std::vector<MeasureRecord> mowing_measure_set(DatabaseAccess& db) {
    auto set = measures_by_name_without_early_use(db, "mowing_postpo");
    auto strips = measures_by_name_without_early_use(db, "refuge strips");
    set.insert(set.end(), strips.begin(), strips.end());
    return set;
}

std::vector<MeasureRecord> grazing_measure_set(DatabaseAccess& db) {
    std::vector<MeasureRecord> set;
    for (const char* name : {"grazing_rot_postpo", "grazing_seas_postpo", "mowing1_grazing_rot", "mowing1_grazing_seas"}) {
        auto part = measures_by_name_without_early_use(db, name);
        set.insert(set.end(), part.begin(), part.end());
    }
    return set;
}

PredationChoice::PredationChoice(QWidget* parent) : QGroupBox("Selection of predation", parent) {
    setObjectName("Selection of predation");
    auto* layout = new QVBoxLayout(this);
    independent_ = new QRadioButton("time independent", this);
    independent_->setObjectName("time independent");
    dependent_ = new QRadioButton("time dependent", this);
    dependent_->setObjectName("time dependent");
    layout->addWidget(independent_);
    layout->addWidget(dependent_);
}

std::optional<bool> PredationChoice::timeDependent() const {
    if (dependent_->isChecked()) return true;
    if (independent_->isChecked()) return false;
    return std::nullopt;
}

QWidget* open_result_map(QWidget* window) {
    auto* host = window ? dynamic_cast<ResultMapHost*>(window->parentWidget()) : nullptr;
    if (!host) return nullptr;
    // The caption names the analysis whose results the map shows.
    static const std::pair<const char*, const char*> analyses[] = {
        {"pravel::massnahmen_wirksamkeit", "Effectiveness"},
        {"pravel::zahlungssimulierung", "Programme simulation"},
        {"pravel::optimierung", "Budget minimisation"},
        {"pravel::qualoptimierung", "Goal maximisation"},
    };
    const char* caption = nullptr;
    for (const auto& [class_name, analysis] : analyses)
        if (qstrcmp(window->metaObject()->className(), class_name) == 0) caption = analysis;
    QWidget* map = host->openResultMap(caption);
    if (map) place_beside(map, window);
    return map;
}

QWidget* open_configuration_map(QWidget* window, int configurationID) {
    auto* host = window ? dynamic_cast<ResultMapHost*>(window->parentWidget()) : nullptr;
    if (!host) return nullptr;
    QWidget* map = host->openConfigurationMap(configurationID);
    if (map) place_beside(map, window);
    return map;
}

void place_beside(QWidget* map, QWidget* window) {
    auto* sub = map ? qobject_cast<QMdiSubWindow*>(map->parentWidget()) : nullptr;
    QMdiArea* area = sub ? sub->mdiArea() : nullptr;
    if (!area || !window) return;
    QWidget* viewport = area->viewport();
    const QRect free(viewport->mapToGlobal(QPoint(0, 0)), viewport->size());
    // Room for a map beside the window: at least this wide.
    const int least = std::min(400, free.width() / 2);
    QRect win = window->frameGeometry();
    int leftRoom = win.left() - free.left();
    int rightRoom = free.right() - win.right();
    if (std::max(leftRoom, rightRoom) < least) {
        // The window moves to the right edge of the area; the map takes what
        // is left of it, half the area at least.
        window->move(std::max(free.left(), free.right() - win.width() + 1) + (window->x() - win.x()), window->y());
        win = window->frameGeometry();
        leftRoom = std::max(win.left() - free.left(), free.width() / 2);
        rightRoom = 0;
    }
    const QRect globalTarget = leftRoom >= rightRoom
                                   ? QRect(free.left(), free.top(), leftRoom, free.height())
                                   : QRect(win.right() + 1, free.top(), rightRoom, free.height());
    const QRect target(viewport->mapFromGlobal(globalTarget.topLeft()), globalTarget.size());
    if (sub->isMaximized() || sub->isMinimized()) sub->showNormal();
    sub->setGeometry(target);
    sub->raise();
    area->setActiveSubWindow(sub);
}

namespace {

// A filter in the "description|pattern|...||" notation as the dialog's list
// of name filters.
QStringList name_filters(const char* filter) {
    const QStringList parts = QString::fromUtf8(filter).split('|', Qt::SkipEmptyParts);
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) out << parts[i].trimmed();
    return out;
}

}  // namespace

void configure_report_dialog(QFileDialog& dialog, const QString& title) {
    dialog.setWindowTitle(title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(name_filters(kReportFilter));
    dialog.setDefaultSuffix("txt");
}

QString choose_report_path(QWidget* parent, const QString& title) {
    QFileDialog dialog(parent);
    configure_report_dialog(dialog, title);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void wrap_long_lines(QListWidget* list) {
    list->setWordWrap(true);
    list->setResizeMode(QListView::Adjust);
    list->setUniformItemSizes(false);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setTextElideMode(Qt::ElideNone);
}

QLabel* run_heading(const char* name, QWidget* parent) {
    auto* heading = new QLabel(parent);
    heading->setObjectName(name);
    heading->setWordWrap(true);
    heading->setTextFormat(Qt::PlainText);
    return heading;
}

QString run_heading_text(const QTime& started, const QString& method, std::optional<std::uint32_t> seed) {
    QString text = QString("Run of %1").arg(started.toString("HH:mm:ss"));
    if (!method.isEmpty()) text += ": " + method;
    text += seed ? QString(", seed %1").arg(*seed) : QString(", seed from the clock");
    return text;
}

void show_goal_status(QLabel* status, const QString& missed, const QString& met) {
    if (missed.isEmpty()) {
        status->setStyleSheet(QString());
        status->setText(met);
    } else {
        status->setStyleSheet("QLabel { color: #b00000; font-weight: bold; }");
        status->setText(missed);
    }
}

}  // namespace pravel

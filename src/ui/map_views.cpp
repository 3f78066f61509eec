#include "ui/map_views.h"
#include "ui/window_parts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QKeySequence>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/notifier.h"
#include "map/image_export.h"
#include "map/map_data_set.h"
#include "map/qt/qimage_export.h"
#include "map/qt/qt_image_canvas.h"
#include "ui/map_zones.h"

namespace pravel {

namespace {

template <typename T>
T* named(T* widget, const QString& label) {
    widget->setObjectName(label);
    return widget;
}

QRadioButton* option(const char* label, QWidget* parent) { return named(new QRadioButton(label, parent), label); }

// Fills a list widget (or combo box) with the entries without signalling a choice.
void fill(QComboBox* box, const std::vector<std::string>& entries, int current) {
    const QSignalBlocker block(box);
    box->clear();
    for (const auto& e : entries) box->addItem(QString::fromStdString(e));
    box->setCurrentIndex(current);
}

void fill(QListWidget* list, QLineEdit* edit, const std::vector<std::string>& entries, int current) {
    const QSignalBlocker block(list);
    list->clear();
    for (const auto& e : entries) list->addItem(QString::fromStdString(e));
    list->setCurrentRow(current);
    edit->setText(current >= 0 && current < list->count() ? list->item(current)->text() : QString());
}

}  // namespace

// ---------------------------------------------------------------- panels

MapPanel::MapPanel(QWidget* parent) : QDialog(parent, parent ? Qt::Widget : Qt::Tool) {
    setWindowTitle(kPanelCaption);
    setModal(false);
}

void MapPanel::requestRepaint() {
    if (view_)
        view_->redraw();
    else
        MapView::repaintActive();
}

FilterKontrolle::FilterKontrolle(QWidget* parent) : MapPanel(parent) {
    options_ = configuration_map_initial_options();
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel("Configuration name", this));
    configurations_ = named(new QComboBox(this), "Configuration name");
    layout->addWidget(configurations_);
    connect(configurations_, &QComboBox::activated, this, [this](int position) {
        options_.selected_list_index = position;
        {
            const QSignalBlocker a(configurations_), b(species_);
            configurations_->clear();
            species_->clear();
        }
        lists_.entries.clear();
        lists_.species.clear();
        options_.reload_lists = true;
        requestRepaint();
    });

    auto* general = named(new QGroupBox("General attributes", this), "General attributes");
    auto* general_layout = new QVBoxLayout(general);
    // The first option draws the manure status and says so.
    const std::pair<const char*, int> general_options[] = {{"Manure status", MapDataSet::manure_status},
                                                           {"Altitude", MapDataSet::altitude},
                                                           {"Grassland economic value", MapDataSet::grassland_economic_value},
                                                           {"Type of grassland use", MapDataSet::land_use},
                                                           {"Settlement adjacent", MapDataSet::land_type}};
    for (const auto& [label, layer] : general_options) {
        QRadioButton* b = option(label, general);
        general_layout->addWidget(b);
        general_[layer] = b;
        connect(b, &QRadioButton::clicked, this, [this, layer = layer] { chooseGeneral(layer); });
    }
    general_[MapDataSet::land_type]->hide();
    general_[MapDataSet::manure_status]->setChecked(true);
    layout->addWidget(general);

    auto* result = named(new QGroupBox("Result attributes", this), "Result attributes");
    auto* result_layout = new QVBoxLayout(result);
    species_ = named(new QComboBox(result), "Species");
    result_layout->addWidget(species_);
    connect(species_, &QComboBox::activated, this, [this](int position) {
        options_.selected_species_index = position;
        requestRepaint();
    });
    const std::pair<const char*, int> result_options[] = {{"Payment - cost", MapDataSet::payment_cost},
                                                          {"Quality", MapDataSet::quality},
                                                          {"Species on result pixel", MapDataSet::species_on_result_pixel}};
    for (const auto& [label, layer] : result_options) {
        QRadioButton* b = option(label, result);
        result_layout->addWidget(b);
        connect(b, &QRadioButton::clicked, this, [this, layer = layer] {
            options_.result_layer = layer;
            requestRepaint();
        });
        if (layer == MapDataSet::payment_cost) b->setChecked(true);
    }
    layout->addWidget(result);

    auto* only_results = named(new QCheckBox("show only result pixels", this), "show only result pixels");
    layout->addWidget(only_results);
    connect(only_results, &QCheckBox::clicked, this, [this](bool checked) {
        options_.draw_result = true;
        options_.draw_general = !checked;
        setGeneralEnabled(!checked);
        requestRepaint();
    });

    // Kept in the layout but never shown.
    auto* all_grassland = named(new QCheckBox("Show all grassland pixels", this), "Show all grassland pixels");
    all_grassland->setChecked(true);
    all_grassland->hide();
    layout->addWidget(all_grassland);
    connect(all_grassland, &QCheckBox::clicked, this, [this](bool checked) {
        options_.draw_general = checked;
        setGeneralEnabled(checked);
    });
    auto* save = named(new QPushButton("Save image", this), "Save image");
    save->hide();
    layout->addWidget(save);
}

void FilterKontrolle::chooseGeneral(int layer) {
    options_.general_layer = layer;
    requestRepaint();
}

void FilterKontrolle::setGeneralEnabled(bool enabled) {
    for (auto& [layer, b] : general_) b->setEnabled(enabled);
}

void FilterKontrolle::showLists(bool species_refilled) {
    // The configuration in force is the stored index; the list shows it.
    fill(configurations_, lists_.entries, lists_.entries.empty() ? -1 : options_.selected_list_index);
    if (species_refilled) fill(species_, lists_.species, lists_.current_species);
}

zwischenfilter::zwischenfilter(QWidget* parent) : MapPanel(parent) {
    options_ = result_map_initial_options();
    // One column, so that the panel docks beside the map.
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel("Measure", this));
    measure_edit_ = named(new QLineEdit(this), "Measure edit");
    measure_edit_->setReadOnly(true);
    measures_ = named(new QListWidget(this), "Measure");
    layout->addWidget(measure_edit_);
    layout->addWidget(measures_, 2);
    const auto choose_measure = [this](int row) {
        if (row < 0) return;
        options_.selected_list_index = row;
        measure_edit_->setText(measures_->item(row)->text());
        requestRepaint();
    };
    on_entry_chosen(measures_, this, choose_measure);
    connect(measures_, &QListWidget::itemDoubleClicked, this,
            [this, choose_measure](QListWidgetItem* item) { choose_measure(measures_->row(item)); });

    layout->addWidget(new QLabel("Species", this));
    species_edit_ = named(new QLineEdit(this), "Species edit");
    species_edit_->setReadOnly(true);
    species_ = named(new QListWidget(this), "Species");
    layout->addWidget(species_edit_);
    layout->addWidget(species_, 1);
    on_entry_chosen(species_, this, [this](int row) {
        if (row < 0) return;
        options_.selected_species_index = row;
        species_edit_->setText(species_->item(row)->text());
        requestRepaint();
    });

    auto* general = named(new QGroupBox("General attributes", this), "General attributes");
    auto* general_layout = new QVBoxLayout(general);
    const std::pair<const char*, int> general_options[] = {{"Manure status", MapDataSet::manure_status},
                                                           {"Altitude", MapDataSet::altitude},
                                                           {"Grassland economic value", MapDataSet::grassland_economic_value},
                                                           {"Type of grassland use", MapDataSet::land_use}};
    for (const auto& [label, layer] : general_options) {
        QRadioButton* b = option(label, general);
        general_layout->addWidget(b);
        general_[layer] = b;
        connect(b, &QRadioButton::clicked, this, [this, layer = layer] { chooseGeneral(layer); });
    }
    general_[MapDataSet::grassland_economic_value]->setChecked(true);
    layout->addWidget(general);

    // The two result options clear each other themselves; clicking the one
    // that is set clears it without a repaint.
    auto* result = named(new QGroupBox("Result attributes", this), "Result attributes");
    auto* result_layout = new QVBoxLayout(result);
    QRadioButton* quality = option("Quality", result);
    QRadioButton* payment = option("Payment - cost", result);
    for (QRadioButton* b : {quality, payment}) {
        b->setAutoExclusive(false);
        result_layout->addWidget(b);
    }
    quality->setChecked(true);
    connect(quality, &QRadioButton::clicked, this,
            [this, quality, payment] { chooseResult(quality, payment, MapDataSet::quality); });
    connect(payment, &QRadioButton::clicked, this,
            [this, quality, payment] { chooseResult(payment, quality, MapDataSet::payment_cost); });
    layout->addWidget(result);

    auto* all = named(new QCheckBox("all measures", this), "all measures");
    layout->addWidget(all);
    connect(all, &QCheckBox::clicked, this, [this](bool checked) {
        options_.all_measures = checked;
        requestRepaint();
    });
    auto* only_results = named(new QCheckBox("show only result pixels", this), "show only result pixels");
    layout->addWidget(only_results);
    connect(only_results, &QCheckBox::clicked, this, [this](bool checked) {
        options_.draw_general = !checked;
        for (auto& [layer, b] : general_) b->setEnabled(!checked);
        requestRepaint();
    });

    auto* save = named(new QPushButton("Save image", this), "Save image");
    save->hide();
    layout->addWidget(save);
}

void zwischenfilter::chooseGeneral(int layer) {
    options_.general_layer = layer;
    if (layer != MapDataSet::grassland_economic_value) {
        QRadioButton* economic = general_[MapDataSet::grassland_economic_value];
        // Cleared although the group is exclusive: the one checked stays the chosen one.
        if (economic->isChecked()) economic->setChecked(false);
    }
    requestRepaint();
}

void zwischenfilter::chooseResult(QRadioButton* chosen, QRadioButton* other, int layer) {
    options_.result_layer = layer;
    if (!chosen->isChecked()) return;
    other->setChecked(false);
    requestRepaint();
}

void zwischenfilter::showLists(bool species_refilled) {
    // Each measure as "ID, name, first use, distances" when the repaint named them.
    fill(measures_, measure_edit_, lists_.labels.size() == lists_.entries.size() ? lists_.labels : lists_.entries,
         lists_.selected_entry);
    if (species_refilled) fill(species_, species_edit_, lists_.species, lists_.current_species);
}

// ---------------------------------------------------------------- views

MapView* MapView::active_ = nullptr;

MapView::MapView(QWidget* parent, std::string config_path) : QAbstractScrollArea(parent), config_path_(std::move(config_path)) {
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setMouseTracking(true);
    viewport()->setCursor(Qt::OpenHandCursor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    if (parent) parent->installEventFilter(this);

    tools_ = new QToolBar(this);
    tools_->setObjectName("Map tools");
    const auto add = [this](const char* text, const char* tip, QKeySequence key, auto slot) {
        QAction* a = tools_->addAction(text, this, slot);
        a->setObjectName(text);
        a->setToolTip(tip);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    };
    add("+", "Zoom in", QKeySequence::ZoomIn, &MapView::zoomIn);
    add("-", "Zoom out", QKeySequence::ZoomOut, &MapView::zoomOut);
    add("Fit", "Show the whole study area", QKeySequence(Qt::Key_0), &MapView::fitToWindow);
    add("Panel", "Show or hide the \"Change display\" panel", QKeySequence(Qt::Key_P),
        [this] { setPanelCollapsed(!panelCollapsed_); });

    columnBar_ = new QScrollBar(Qt::Vertical, viewport());
    columnBar_->setObjectName("Legend scroll bar");
    columnBar_->setSingleStep(kLegendLineHeight);
    columnBar_->hide();
    connect(columnBar_, &QScrollBar::valueChanged, this, [this] {
        frame_dirty_ = true;
        viewport()->update();
    });
}

int MapView::columnOffset() const { return columnBar_->isVisibleTo(this) ? columnBar_->value() : 0; }

WindowSize MapView::mapArea() const {
    const int bar = columnBar_->isVisibleTo(this) ? columnBar_->sizeHint().width() : 0;
    return map_area_size(viewport()->width() - bar, viewport()->height());
}

void MapView::updateColumnScroll() {
    const int height = viewport()->height();
    const int overflow = legend_column_height(scene_) - height;
    columnBar_->setVisible(overflow > 0);
    columnBar_->setRange(0, std::max(0, overflow));
    columnBar_->setPageStep(std::max(1, height));
    const int width = columnBar_->sizeHint().width();
    columnBar_->setGeometry(viewport()->width() - width, 0, width, height);
}

void MapView::setPanelCollapsed(bool collapsed) {
    panelCollapsed_ = collapsed;
    if (dock_) dock_->setVisible(!collapsed);
    layoutSides();
    if (fitted_ && opened_) fitToWindow();
    else frame_dirty_ = true;
    viewport()->update();
}

MapView::~MapView() {
    if (active_ == this) active_ = nullptr;
}

MapView* MapView::active() { return active_; }

void MapView::repaintActive() {
    if (active_) active_->redraw();
}

void MapView::initialUpdate() {
    if (opened_) return;
    opened_ = true;
    // The child window it has been put in since it was made.
    if (parentWidget()) parentWidget()->installEventFilter(this);
    maximiseChildWindow();
    // The panel is docked to the right side of the view, under its caption,
    // and lives and dies with it.
    dock_ = new QFrame(this);
    dock_->setObjectName("Change display dock");
    dock_->setFrameShape(QFrame::StyledPanel);
    auto* dock_layout = new QVBoxLayout(dock_);
    dock_layout->setContentsMargins(4, 4, 4, 4);
    auto* caption = new QLabel(kPanelCaption, dock_);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    dock_layout->addWidget(caption);
    panel_ = createPanel();
    panel_->setParent(dock_, Qt::Widget);
    panel_->setView(this);
    dock_layout->addWidget(panel_, 1);
    dock_->setVisible(!panelCollapsed_);
    layoutSides();
    selection() = RememberedSelection{};
    active_ = this;
}

void MapView::layoutSides() {
    const int tools_height = tools_->sizeHint().height();
    const int dock_width = dock_ && !panelCollapsed_ ? kPanelWidth : 0;
    setViewportMargins(0, tools_height, dock_width, 0);
    const QRect r = contentsRect();
    tools_->setGeometry(r.left(), r.top(), r.width() - dock_width, tools_height);
    if (dock_) dock_->setGeometry(r.right() + 1 - dock_width, r.top(), dock_width, r.height());
    updateColumnScroll();
}

void MapView::redraw() {
    if (!panel_) initialUpdate();
    MapOptions& options = panel_->options();
    const bool reload = options.reload_lists;
    scene_ = render(options, panel_->lists());
    ++repaints_;
    panel_->showLists(reload && !options.reload_lists);
    updateColumnScroll();
    if (fitted_) {
        fitToWindow();
    } else {
        frame_dirty_ = true;
        viewport()->update();
    }
    updateCaption();
}

void MapView::setViewport(const MapViewport& v) {
    viewport_ = v;
    frame_dirty_ = true;
    viewport()->update();
}

void MapView::zoomBy(double factor, std::optional<QPointF> about) {
    const WindowSize area = mapArea();
    const QPointF at = about.value_or(QPointF(area.width / 2.0, area.height / 2.0));
    fitted_ = false;
    setViewport(zoom_viewport(viewport_, factor, at.x(), at.y()));
}

void MapView::fitToWindow() {
    fitted_ = true;
    const WindowSize area = mapArea();
    const auto bounds = scene_.picture.bounds();
    MapViewport v = bounds ? fit_viewport(*bounds, area.width, area.height) : MapViewport{};
    v.width = area.width;
    v.height = area.height;
    setViewport(v);
}

const QImage& MapView::image() {
    if (frame_dirty_ || frame_.size() != viewport()->size()) {
        const QSize size = viewport()->size().expandedTo(QSize(1, 1));
        const WindowSize area = mapArea();
        viewport_.width = area.width;
        viewport_.height = area.height;
        QtImageCanvas canvas(size.width(), size.height());
        draw_map_window(scene_, viewport_, canvas, columnOffset());
        // Anything that reached beyond the window is not shown.
        frame_ = canvas.image().copy(0, 0, size.width(), size.height());
        if (zones_) {
            // Zone boundaries over the map area only.
            QPainter painter(&frame_);
            painter.setClipRect(0, 0, area.width, area.height);
            painter.setPen(QPen(QColor(20, 40, 160), 2));
            const std::vector<QLineF> lines = zone_boundary_lines(*zones_, viewport_, RASTER_OFFSET);
            painter.drawLines(lines.data(), static_cast<int>(lines.size()));
        }
        frame_dirty_ = false;
    }
    return frame_;
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.drawImage(QPoint(0, 0), image());
}

void MapView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutSides();
    if (fitted_ && opened_)
        fitToWindow();
    else
        frame_dirty_ = true;
}

void MapView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (!opened_) {
        initialUpdate();
        redraw();
    }
}

void MapView::wheelEvent(QWheelEvent* event) {
    const int steps = event->angleDelta().y();
    if (steps == 0) return;
    // Over the legend column the wheel scrolls the column, when it can.
    if (columnBar_->isVisibleTo(this) && event->position().x() >= viewport_.width) {
        columnBar_->setValue(columnBar_->value() - steps * 3 * kLegendLineHeight / 120);
        event->accept();
        return;
    }
    zoomBy(std::pow(kZoomStep, steps / 120.0), event->position());
    event->accept();
}

void MapView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    drag_from_ = event->position().toPoint();
    viewport()->setCursor(Qt::ClosedHandCursor);
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (drag_from_ && (event->buttons() & Qt::LeftButton)) {
        const QPoint moved = at - *drag_from_;
        drag_from_ = at;
        if (!moved.isNull()) {
            fitted_ = false;
            setViewport(pan_viewport(viewport_, moved.x(), moved.y()));
        }
    }
    showCellStatus(cellStatusAt(at));
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    drag_from_.reset();
    viewport()->setCursor(Qt::OpenHandCursor);
}

QString MapView::cellStatusAt(QPoint point) const {
    std::string text = describe_cell(scene_, viewport_, point.x(), point.y());
    if (zones_ && !text.empty())
        if (const CellFacts* f = scene_.picture.facts_at(viewport_.picture_x(point.x()), viewport_.picture_y(point.y())))
            if (const std::string zone = zone_name_at(*zones_, f->row, f->column); !zone.empty())
                text += "; zone " + zone;
    return QString::fromStdString(text);
}

void MapView::showCellStatus(const QString& text) {
    if (text == cell_status_) return;
    cell_status_ = text;
    // The main window's status bar, when the view sits in one.
    if (auto* main = qobject_cast<QMainWindow*>(window())) main->statusBar()->showMessage(text);
    emit cellStatusChanged(text);
}

QString MapView::caption() const {
    QStringList parts{viewName()};
    if (const QString s = subject(); !s.isEmpty()) parts << s;
    if (!scene_.species.empty()) parts << QString::fromStdString(scene_.species);
    return parts.join(" - ");
}

void MapView::updateCaption() {
    const QString text = caption();
    setWindowTitle(text);
    if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget())) child->setWindowTitle(text);
}

bool MapView::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::FocusIn) active_ = this;
    return QAbstractScrollArea::event(event);
}

bool MapView::eventFilter(QObject* watched, QEvent* event) {
    // The child window holding the view became the active one.
    if (watched == parent() && event->type() == QEvent::WindowActivate) active_ = this;
    return QAbstractScrollArea::eventFilter(watched, event);
}

QImage MapView::visibleArea() { return viewport()->grab().toImage(); }

QString MapView::imageTitle() const {
    QString title = caption();
    if (!scene_.landscape_title.empty()) title += " - " + QString::fromStdString(scene_.landscape_title);
    return title;
}

QImage MapView::titledImage() {
    const QImage area = visibleArea();
    QFont font = this->font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int strip = metrics.height() * 2;
    QImage out(area.width(), area.height() + strip, QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter painter(&out);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(8, 0, area.width() - 16, strip), Qt::AlignVCenter | Qt::AlignLeft,
                     metrics.elidedText(imageTitle(), Qt::ElideRight, area.width() - 16));
    painter.drawImage(QPoint(0, strip), area);
    return out;
}

void configure_save_image_dialog(QFileDialog& dialog) {
    dialog.setWindowTitle(kSaveImageTitle);
    dialog.setNameFilters(QString(kSaveImageFilters).split(";;"));
    dialog.selectNameFilter(kBitmapFilesFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(kSaveImageDefaultExtension);
    dialog.selectFile(kSaveImageProposedName);
    // Overwriting an existing file is confirmed first.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
}

void MapView::saveImage() {
    QFileDialog dialog(this);
    configure_save_image_dialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    saveImageTo(dialog.selectedFiles().front(), dialog.selectedNameFilter());
}

bool MapView::saveImageTo(const QString& chosen_name, const QString& selected_filter) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int depth = screen ? screen->depth() : 24;
    const ImageExportResult result =
        save_map_image(titledImage(), chosen_name.toStdString(), selected_filter.toStdString(), depth);
    if (!result.ok && !result.error.empty()) notifier().inform(result.error);
    return result.ok;
}

Cvisualisierung::Cvisualisierung(QWidget* parent, std::string config_path) : MapView(parent, std::move(config_path)) {}

MapScene Cvisualisierung::render(MapOptions& options, PanelLists& lists) {
    MapScene scene = render_configuration_scene(options, selection(), lists, config_path_);
    if (const std::optional<int> wanted = std::exchange(wanted_, std::nullopt)) {
        const auto at = std::find(lists.ids.begin(), lists.ids.end(), *wanted);
        if (at != lists.ids.end() && *wanted != selection().id) {
            options.selected_list_index = static_cast<int>(at - lists.ids.begin());
            options.reload_lists = true;
            scene = render_configuration_scene(options, selection(), lists, config_path_);
        }
    }
    // A configuration with payments by zone shows its zones.
    std::shared_ptr<const ZoneMap> zones;
    if (scene.country && !lists.ids.empty()) {
        DatabaseAccess db(config_path_);
        std::string zoning;
        zones = stored_configuration_zones(db, selection().id, *scene.country, zoning);
        if (!zoning.empty())
            scene.heading.push_back("Payments by zone: " + zoning + (zones ? " (boundaries in blue)" : " (not drawn)"));
    }
    setZones(std::move(zones));
    return scene;
}

QString Cvisualisierung::subject() const {
    // The configuration drawn, by its name in the panel's list.
    if (!panel()) return {};
    const auto& names = panel()->lists().entries;
    const int shown = configuration_map_selection().index;
    if (shown < 0 || shown >= static_cast<int>(names.size())) return {};
    return QString::fromStdString(names[shown]);
}

void Cvisualisierung::maximiseChildWindow() {
    if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget())) child->showMaximized();
}

visdireckt::visdireckt(QWidget* parent, std::string config_path) : MapView(parent, std::move(config_path)) {}

void visdireckt::setAnalysis(const QString& name) {
    analysis_ = name;
    updateCaption();
}

MapScene visdireckt::render(MapOptions& options, PanelLists& lists) {
    MapScene scene = render_result_scene(options, selection(), lists, config_path_);
    // The list shows the measure just drawn (the repaint selects the one
    // remembered before it drew).
    const std::string drawn = std::to_string(selection().id);
    for (std::size_t k = 0; k < lists.entries.size(); ++k)
        if (lists.entries[k] == drawn) lists.selected_entry = static_cast<int>(k);
    // The rows of an analysis that paid by zone show its zones.
    std::shared_ptr<const ZoneMap> zones;
    if (scene.country) {
        DatabaseAccess db(config_path_);
        std::string zoning;
        zones = result_map_zones(db, *scene.country, zoning);
        if (!zoning.empty())
            scene.heading.push_back("Payments by zone: " + zoning + (zones ? " (boundaries in blue)" : " (not drawn)"));
    }
    setZones(std::move(zones));
    return scene;
}

}  // namespace pravel

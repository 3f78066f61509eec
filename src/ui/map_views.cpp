#include "ui/map_views.h"
#include "ui/window_parts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "map/image_export.h"
#include "map/map_data_set.h"
#include "map/qt/qimage_export.h"

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

MapPanel::MapPanel(QWidget* parent) : QDialog(parent, Qt::Tool) {
    setWindowTitle(kPanelCaption);
    setModal(false);
}

void MapPanel::requestRepaint() { MapView::repaintActive(); }

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
    const std::pair<const char*, int> general_options[] = {{"Forest adjacent", MapDataSet::manure_status},
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
    auto* layout = new QGridLayout(this);

    layout->addWidget(new QLabel("Measure", this), 0, 0);
    measure_edit_ = named(new QLineEdit(this), "Measure edit");
    measure_edit_->setReadOnly(true);
    measures_ = named(new QListWidget(this), "Measure");
    layout->addWidget(measure_edit_, 1, 0);
    layout->addWidget(measures_, 2, 0);
    const auto choose_measure = [this](int row) {
        if (row < 0) return;
        options_.selected_list_index = row;
        measure_edit_->setText(measures_->item(row)->text());
        requestRepaint();
    };
    on_entry_chosen(measures_, this, choose_measure);
    connect(measures_, &QListWidget::itemDoubleClicked, this,
            [this, choose_measure](QListWidgetItem* item) { choose_measure(measures_->row(item)); });

    layout->addWidget(new QLabel("Species", this), 0, 1);
    species_edit_ = named(new QLineEdit(this), "Species edit");
    species_edit_->setReadOnly(true);
    species_ = named(new QListWidget(this), "Species");
    layout->addWidget(species_edit_, 1, 1);
    layout->addWidget(species_, 2, 1);
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
    layout->addWidget(general, 3, 0);

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
    layout->addWidget(result, 3, 1);

    auto* all = named(new QCheckBox("all measures", this), "all measures");
    layout->addWidget(all, 4, 0);
    connect(all, &QCheckBox::clicked, this, [this](bool checked) {
        options_.all_measures = checked;
        requestRepaint();
    });
    auto* only_results = named(new QCheckBox("show only result pixels", this), "show only result pixels");
    layout->addWidget(only_results, 4, 1);
    connect(only_results, &QCheckBox::clicked, this, [this](bool checked) {
        options_.draw_general = !checked;
        for (auto& [layer, b] : general_) b->setEnabled(!checked);
        requestRepaint();
    });

    auto* save = named(new QPushButton("Save image", this), "Save image");
    save->hide();
    layout->addWidget(save, 5, 1);
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
    fill(measures_, measure_edit_, lists_.entries, lists_.selected_entry);
    if (species_refilled) fill(species_, species_edit_, lists_.species, lists_.current_species);
}

// ---------------------------------------------------------------- views

MapView* MapView::active_ = nullptr;

MapView::MapView(QWidget* parent, std::string config_path) : QAbstractScrollArea(parent), config_path_(std::move(config_path)) {
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::StrongFocus);
    if (parent) parent->installEventFilter(this);
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
    updateScrollBars();
    maximiseChildWindow();
    panel_ = createPanel();
    panel_->adjustSize();
    panel_->move(mapToGlobal(rect().center()) - QPoint(panel_->width() / 2, panel_->height() / 2));
    panel_->show();
    selection() = RememberedSelection{};
    active_ = this;
}

void MapView::redraw() {
    if (!panel_) initialUpdate();
    MapOptions& options = panel_->options();
    const bool reload = options.reload_lists;
    // Each repaint draws on a fresh white canvas: drawn over the last picture,
    // a landscape switched off would stay visible and the smoothed texts would
    // darken with every repaint.
    canvas_ = QtImageCanvas(kMapExtent, kMapExtent);
    outcome_ = render(options, panel_->lists(), canvas_);
    ++repaints_;
    panel_->showLists(reload && !options.reload_lists);
    updateScrollBars();
    viewport()->update();
}

void MapView::updateScrollBars() {
    const QSize shown = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, kMapExtent - shown.width()));
    verticalScrollBar()->setRange(0, std::max(0, kMapExtent - shown.height()));
    horizontalScrollBar()->setPageStep(shown.width());
    verticalScrollBar()->setPageStep(shown.height());
}

void MapView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.drawImage(QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value()), canvas_.image());
}

void MapView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void MapView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    if (!opened_) {
        initialUpdate();
        redraw();
    }
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
        save_map_image(visibleArea(), chosen_name.toStdString(), selected_filter.toStdString(), depth);
    if (!result.ok && !result.error.empty()) notifier().inform(result.error);
    return result.ok;
}

Cvisualisierung::Cvisualisierung(QWidget* parent, std::string config_path) : MapView(parent, std::move(config_path)) {}

RenderOutcome Cvisualisierung::render(MapOptions& options, PanelLists& lists, MapCanvas& canvas) {
    return render_configuration_map(options, selection(), lists, canvas, config_path_);
}

void Cvisualisierung::maximiseChildWindow() {
    if (auto* child = qobject_cast<QMdiSubWindow*>(parentWidget())) child->showMaximized();
}

visdireckt::visdireckt(QWidget* parent, std::string config_path) : MapView(parent, std::move(config_path)) {}

RenderOutcome visdireckt::render(MapOptions& options, PanelLists& lists, MapCanvas& canvas) {
    RenderOutcome outcome = render_result_map(options, selection(), lists, canvas, config_path_);
    // The list shows the measure just drawn (the repaint selects the one
    // remembered before it drew).
    const std::string drawn = std::to_string(selection().id);
    for (std::size_t k = 0; k < lists.entries.size(); ++k)
        if (lists.entries[k] == drawn) lists.selected_entry = static_cast<int>(k);
    return outcome;
}

}  // namespace pravel

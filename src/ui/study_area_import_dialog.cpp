#include "ui/study_area_import_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/notifier.h"
#include "gis/study_area_import.h"
#include "store/database_access.h"
#include "store/study_area_store.h"
#include "ui/progress_dialog.h"

namespace pravel {

namespace {

QString import_progress_text(const Feedback::Progress& p) {
    return QString::fromStdString(p.stage) + QString(": %1 of %2").arg(p.step).arg(p.total);
}

QComboBox* column_choice(const QString& column) {
    auto* box = new QComboBox;
    for (const auto& c : pixel_data_columns()) box->addItem(c.name);
    const int at = box->findText(column);
    if (at >= 0) {
        box->setCurrentIndex(at);
    } else {
        box->setEditable(true);
        box->setEditText(column);
    }
    return box;
}

}  // namespace

StudyAreaImportDialog::StudyAreaImportDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    chooser_ = [this](const QString& caption) {
        return QFileDialog::getOpenFileName(this, caption, QString(),
                                            "GIS layers (*.tif *.tiff *.asc *.gpkg *.shp *.geojson *.img);;All files (*)");
    };
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    name_ = new QLineEdit;
    name_->setObjectName("name");
    form->addRow("Name of the study area", name_);
    growthStart_ = new QSpinBox;
    growthStart_->setObjectName("growth_start");
    growthStart_->setRange(1, 48);
    growthStart_->setValue(12);
    form->addRow("Start of growth (quarter month)", growthStart_);
    layout->addLayout(form);

    layout->addWidget(new QLabel("Layers: the pixel column each file fills (a polygon layer as FILE:FIELD)"));
    layers_ = new QTableWidget(0, 2);
    layers_->setObjectName("layers");
    layers_->setHorizontalHeaderLabels({"Column", "File"});
    layers_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(layers_);
    auto* layerButtons = new QHBoxLayout;
    auto button = [&](const char* text, QHBoxLayout* row) {
        auto* b = new QPushButton(text);
        b->setObjectName(text);
        row->addWidget(b);
        return b;
    };
    connect(button("Add layer...", layerButtons), &QPushButton::clicked, this, [this] {
        const QString file = chooser_("Layer file");
        if (file.isEmpty()) return;
        // A file named after a column is proposed for that column.
        const QString stem = QFileInfo(file).completeBaseName();
        addLayer(find_pixel_column(stem.toStdString()) ? stem : QString("land_use_type"), file);
    });
    connect(button("Add bands...", layerButtons), &QPushButton::clicked, this, [this] {
        const QString file = chooser_("Multi-band raster");
        if (!file.isEmpty()) addBands(file);
    });
    connect(button("Remove layer", layerButtons), &QPushButton::clicked, this, [this] {
        if (layers_->currentRow() >= 0) layers_->removeRow(layers_->currentRow());
    });
    layout->addLayout(layerButtons);

    auto* contourRow = new QHBoxLayout;
    contourRow->addWidget(new QLabel("Contour (empty: traced from the cells)"));
    contour_ = new QLineEdit;
    contour_->setObjectName("contour");
    contourRow->addWidget(contour_);
    connect(button("Choose contour...", contourRow), &QPushButton::clicked, this, [this] {
        const QString file = chooser_("Contour polygon layer");
        if (!file.isEmpty()) contour_->setText(file);
    });
    layout->addLayout(contourRow);

    replace_ = new QCheckBox(kReplaceLabel);
    replace_->setObjectName("replace");
    layout->addWidget(replace_);
    // Replacing an area gives it new pixels; runs stored on it would point at
    // pixels that are gone, so the replace deletes them only when asked to.
    dropRuns_ = new QCheckBox(kDropRunsLabel);
    dropRuns_->setObjectName("drop_runs");
    dropRuns_->setEnabled(false);
    connect(replace_, &QCheckBox::toggled, dropRuns_, [this](bool on) {
        dropRuns_->setEnabled(on);
        if (!on) dropRuns_->setChecked(false);
    });
    layout->addWidget(dropRuns_);

    summary_ = new QPlainTextEdit;
    summary_->setObjectName("summary");
    summary_->setReadOnly(true);
    layout->addWidget(summary_);

    auto* actions = new QHBoxLayout;
    connect(button("Check layers", actions), &QPushButton::clicked, this, [this] { checkLayers(); });
    connect(button("Import", actions), &QPushButton::clicked, this, [this] { runImport(); });
    connect(button("Close", actions), &QPushButton::clicked, this, &QDialog::close);
    layout->addLayout(actions);
    resize(720, 560);
}

void StudyAreaImportDialog::addLayer(const QString& column, const QString& file) {
    const int row = layers_->rowCount();
    layers_->insertRow(row);
    layers_->setCellWidget(row, 0, column_choice(column));
    layers_->setItem(row, 1, new QTableWidgetItem(file));
}

void StudyAreaImportDialog::addBands(const QString& file) {
    try {
        for (const auto& source : gis::bands_named_after_columns(file.toStdString())) {
            addLayer(QString::fromStdString(source.column), file);
        }
    } catch (const gis::GisRefusal& e) {
        notifier().inform(e.what());
    }
}

int StudyAreaImportDialog::layerCount() const { return layers_->rowCount(); }

std::vector<std::pair<std::string, std::string>> StudyAreaImportDialog::layerArguments() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (int row = 0; row < layers_->rowCount(); ++row) {
        auto* box = qobject_cast<QComboBox*>(layers_->cellWidget(row, 0));
        const QTableWidgetItem* file = layers_->item(row, 1);
        out.emplace_back(box ? box->currentText().trimmed().toStdString() : std::string(),
                         file ? file->text().trimmed().toStdString() : std::string());
    }
    return out;
}

QString StudyAreaImportDialog::summaryText() const { return summary_->toPlainText(); }

namespace {

std::vector<gis::LayerSource> sources_of(const std::vector<std::pair<std::string, std::string>>& rows) {
    std::vector<gis::LayerSource> out;
    for (const auto& [column, file] : rows) out.push_back(gis::parse_layer_argument(column + "=" + file));
    return out;
}

}  // namespace

namespace {

QString summary_lines(const gis::AreaSummary& s) {
    QStringList lines;
    lines << QString("Size: %1 rows x %2 columns").arg(s.rows).arg(s.columns)
          << QString("Cell size: %1 m").arg(s.cell_size)
          << "Coordinate system: " + QString::fromStdString(gis::spatial_reference_name(s.spatial_reference))
          << QString("Cells with data (pixels): %1").arg(s.cells_with_data);
    if (!s.notice.empty()) lines << QString::fromStdString(s.notice);
    return lines.join('\n');
}

}  // namespace

bool StudyAreaImportDialog::checkLayers() {
    summary_->clear();
    try {
        RunProgress progress(this, kTitle, "Reading layers", import_progress_text);
        const gis::ImportPreview preview = gis::preview_import(sources_of(layerArguments()), &progress.feedback());
        summary_->setPlainText(summary_lines(preview.summary));
        return true;
    } catch (const gis::GisRefusal& e) {
        // The refusal of a taken name speaks of the command line's option; here
        // the dialog's own checkbox does that.
        std::string text = e.what();
        const std::string option = "(use --replace to replace it)";
        if (const auto at = text.find(option); at != std::string::npos)
            text.replace(at, option.size(), std::string("(check \"") + kReplaceLabel + "\" to replace it)");
        notifier().inform(text);
        return false;
    }
}

bool StudyAreaImportDialog::runImport() {
    const QString name = name_->text().trimmed();
    if (name.isEmpty()) {
        notifier().inform("Enter a name for the study area first.");
        name_->setFocus();
        return false;
    }
    if (layers_->rowCount() == 0) {
        notifier().inform("Add at least a land_use_type layer first.");
        return false;
    }
    try {
        gis::ImportOptions options;
        options.name = name.toStdString();
        options.growth_start = growthStart_->value();
        options.layers = sources_of(layerArguments());
        options.contour_file = contour_->text().trimmed().toStdString();
        options.replace = replace_->isChecked();
        options.drop_runs = options.replace && dropRuns_->isChecked();
        DatabaseAccess db;
        gis::refuse_taken_name(db, options);
        // What the layers hold is shown, and confirmed, before anything is
        // written.
        gis::ImportPreview preview;
        {
            RunProgress progress(this, kTitle, "Reading layers", import_progress_text);
            preview = gis::preview_import(options.layers, &progress.feedback());
        }
        const QString summary = summary_lines(preview.summary);
        summary_->setPlainText(summary);
        if (!notifier().ask_ok_cancel(
                (summary + QString("\n\nWrite the study area \"%1\"?").arg(name)).toStdString(), kTitle)) {
            return false;
        }
        RunProgress progress(this, kTitle, "Importing the study area", import_progress_text);
        const gis::ImportResult r = gis::import_study_area(db, options, preview.layers, &progress.feedback());
        const QString text = QString("Study area \"%1\" imported: %2 pixels.").arg(name).arg(r.pixels);
        summary_->appendPlainText(text);
        notifier().inform(text.toStdString());
        return true;
    } catch (const gis::StoredRunsRefusal& e) {
        notifier().inform(std::string(e.what()) + ".\n\nTick \"" + kDropRunsLabel +
                          "\" to delete them with the replace.");
        return false;
    } catch (const gis::GisRefusal& e) {
        // The refusal of a taken name speaks of the command line's option; here
        // the dialog's own checkbox does that.
        std::string text = e.what();
        const std::string option = "(use --replace to replace it)";
        if (const auto at = text.find(option); at != std::string::npos)
            text.replace(at, option.size(), std::string("(check \"") + kReplaceLabel + "\" to replace it)");
        notifier().inform(text);
        return false;
    }
}

}  // namespace pravel

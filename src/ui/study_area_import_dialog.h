#pragma once
// "Import study area...": a layer file per pixel column, the contour, the
// name and start of growth; "Check layers" shows what the layers hold before
// "Import" writes the study area, with a progress bar, through the same
// import as the command-line tool.
#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace pravel {

class StudyAreaImportDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Import study area";
    static constexpr const char* kDropRunsLabel = "Delete the runs stored on the replaced area";
    static constexpr const char* kReplaceLabel = "Replace a study area of the same name";

    explicit StudyAreaImportDialog(QWidget* parent = nullptr);

    // Chooses a file to open (a layer, a multi-band raster, the contour);
    // the default shows a file dialog. An empty text is a cancelled choice.
    using FileChooser = std::function<QString(const QString& caption)>;
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

    // A row of the layer table: the column and FILE or FILE:FIELD.
    void addLayer(const QString& column, const QString& file);
    // One row per band of `file` named after a pixel column.
    void addBands(const QString& file);
    int layerCount() const;

    // Reads and checks the layers and shows the summary; false (with a
    // message) when they cannot make a study area.
    bool checkLayers();
    // Checks the entries in order (name, layers, then the layers themselves),
    // and imports; false when nothing was written.
    bool runImport();

    QString summaryText() const;

private:
    std::vector<std::pair<std::string, std::string>> layerArguments() const;

    QLineEdit* name_ = nullptr;
    QSpinBox* growthStart_ = nullptr;
    QTableWidget* layers_ = nullptr;
    QLineEdit* contour_ = nullptr;
    QCheckBox* replace_ = nullptr;
    QCheckBox* dropRuns_ = nullptr;
    QPlainTextEdit* summary_ = nullptr;
    FileChooser chooser_;
};

}  // namespace pravel

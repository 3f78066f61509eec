#pragma once
// The two map views and their option panels. A view is a scrollable canvas
// (it can sit in an MDI child window) that draws one of the two maps with the
// repaint sequences of the map library; its panel, a floating window
// captioned "Change display", holds the options. A panel always repaints the
// active map view, which need not be its own.
#include <QAbstractScrollArea>
#include <QDialog>
#include <QImage>
#include <QString>

#include <map>
#include <memory>
#include <string>

#include "map/map_render.h"
#include "map/qt/qt_image_canvas.h"
#include "store/database_access.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace pravel {

inline constexpr const char* kPanelCaption = "Change display";
// Scrollable extent of both views; the drawing reaches further to the right.
inline constexpr int kMapExtent = 700;

// What a panel shows and keeps: the options of its view and the lists the
// repaint fills.
class MapPanel : public QDialog {
    Q_OBJECT
public:
    explicit MapPanel(QWidget* parent = nullptr);

    MapOptions& options() { return options_; }
    PanelLists& lists() { return lists_; }
    // Shows the lists after a repaint; `species_refilled` when the repaint
    // filled the species list again.
    virtual void showLists(bool species_refilled) = 0;

    // The control with the given label (its objectName).
    template <typename T>
    T* control(const QString& label) const {
        return findChild<T*>(label);
    }

protected:
    // Asks the active map view to repaint.
    void requestRepaint();

    MapOptions options_;
    PanelLists lists_;
};

// Sets up the save dialog of "save image": title, the bitmap, PNG and
// all-files filters, bitmap proposed, overwriting confirmed.
void configure_save_image_dialog(QFileDialog& dialog);

// Panel of the configuration map.
class FilterKontrolle : public MapPanel {
    Q_OBJECT
public:
    explicit FilterKontrolle(QWidget* parent = nullptr);
    void showLists(bool species_refilled) override;

private:
    void chooseGeneral(int layer);
    void setGeneralEnabled(bool enabled);

    QComboBox* configurations_ = nullptr;
    QComboBox* species_ = nullptr;
    std::map<int, QRadioButton*> general_;  // by layer
};

// Panel of the analysis result map.
class zwischenfilter : public MapPanel {
    Q_OBJECT
public:
    explicit zwischenfilter(QWidget* parent = nullptr);
    void showLists(bool species_refilled) override;

private:
    void chooseGeneral(int layer);
    void chooseResult(QRadioButton* chosen, QRadioButton* other, int layer);

    QListWidget* measures_ = nullptr;
    QLineEdit* measure_edit_ = nullptr;
    QListWidget* species_ = nullptr;
    QLineEdit* species_edit_ = nullptr;
    std::map<int, QRadioButton*> general_;
};

// A map view: a scrollable canvas showing the last drawn image.
class MapView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit MapView(QWidget* parent = nullptr, std::string config_path = database_config_path());
    ~MapView() override;

    // Opening: sets the extent, creates and shows the panel, and resets the
    // remembered selection of the view class. Done on the first show unless
    // called before.
    void initialUpdate();

    MapPanel* panel() const { return panel_; }
    const QImage& image() const { return canvas_.image(); }
    const RenderOutcome& lastOutcome() const { return outcome_; }
    // Repaints done since the view was made.
    int repaintCount() const { return repaints_; }

    // Draws the map again with the options of its panel.
    void redraw();

    // The view's visible drawing area as shown on the screen.
    QImage visibleArea();
    // "save image": the save dialog, then saveImageTo.
    void saveImage();
    // Writes the visible area to the name chosen in the dialog with the chosen
    // filter; false when nothing was written (a failure is reported).
    bool saveImageTo(const QString& chosen_name, const QString& selected_filter);

    // The view that panels repaint: the one last activated (or opened).
    static MapView* active();
    static void repaintActive();

protected:
    virtual MapPanel* createPanel() = 0;
    virtual RememberedSelection& selection() = 0;
    virtual RenderOutcome render(MapOptions& options, PanelLists& lists, MapCanvas& canvas) = 0;
    virtual void maximiseChildWindow() {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::string config_path_;

private:
    void updateScrollBars();

    MapPanel* panel_ = nullptr;
    QtImageCanvas canvas_{kMapExtent, kMapExtent};
    RenderOutcome outcome_;
    bool opened_ = false;
    int repaints_ = 0;
    static MapView* active_;
};

// The configuration map.
class Cvisualisierung : public MapView {
    Q_OBJECT
public:
    explicit Cvisualisierung(QWidget* parent = nullptr, std::string config_path = database_config_path());

protected:
    MapPanel* createPanel() override { return new FilterKontrolle(this); }
    RememberedSelection& selection() override { return configuration_map_selection(); }
    RenderOutcome render(MapOptions& options, PanelLists& lists, MapCanvas& canvas) override;
    void maximiseChildWindow() override;
};

// The analysis result map.
class visdireckt : public MapView {
    Q_OBJECT
public:
    explicit visdireckt(QWidget* parent = nullptr, std::string config_path = database_config_path());

protected:
    MapPanel* createPanel() override { return new zwischenfilter(this); }
    RememberedSelection& selection() override { return result_map_selection(); }
    RenderOutcome render(MapOptions& options, PanelLists& lists, MapCanvas& canvas) override;
};

}  // namespace pravel

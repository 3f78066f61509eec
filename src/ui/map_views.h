#pragma once
// The two map views and their option panels. A view is a map canvas (it can
// sit in an MDI child window) that draws one of the two maps with the repaint
// sequences of the map library; its panel, captioned "Change display" and
// docked to the view, holds the options and repaints its view. A panel made
// without a view repaints the active map view.
#include <QAbstractScrollArea>
#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "map/map_render.h"
#include "map/map_window.h"
#include "store/database_access.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QLineEdit;
class QListWidget;
class QPushButton;
class QFrame;
class QRadioButton;
class QScrollBar;
class QToolBar;

namespace pravel {

class MapView;
struct ZoneMap;

inline constexpr const char* kPanelCaption = "Change display";
// Width of the docked panel.
inline constexpr int kPanelWidth = 330;

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

    // The view the panel is docked to and repaints.
    void setView(MapView* view) { view_ = view; }

protected:
    // Asks its view (or, without one, the active map view) to repaint.
    void requestRepaint();

    MapOptions options_;
    PanelLists lists_;
    QPointer<MapView> view_;
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

// A map view: a map canvas as in GIS programs. It opens with the study area
// fitted to the window, zooms with the mouse wheel about the cursor and with
// its + / - / "Fit" tool buttons, pans by dragging, shows a scale bar, the
// legends beside the map, and the cell under the cursor in the status bar.
// Its "Change display" panel is docked to its right side and closes with it.
class MapView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit MapView(QWidget* parent = nullptr, std::string config_path = database_config_path());
    ~MapView() override;

    // Opening: creates the docked panel and resets the remembered selection of
    // the view class. Done on the first show unless called before.
    void initialUpdate();

    MapPanel* panel() const { return panel_; }
    // Hides the docked panel so that the map takes its room (a tiled map
    // keeps a usable width), or shows it again; the "Panel" tool toggles it.
    void setPanelCollapsed(bool collapsed);
    bool panelCollapsed() const { return panelCollapsed_; }
    // What the drawing area shows now (map, scale bar, legend column).
    const QImage& image();
    // The legend column scrolls by itself when it is taller than the drawing
    // area (its scroll bar then stands at the right edge, and the wheel over
    // the column scrolls it); the map beside it stays.
    QScrollBar* columnScrollBar() const { return columnBar_; }
    int columnOffset() const;
    const RenderOutcome& lastOutcome() const { return scene_.outcome; }
    const MapScene& scene() const { return scene_; }
    // Repaints done since the view was made.
    int repaintCount() const { return repaints_; }
    // The zones drawn over the map (their boundaries, and the zone of the
    // cell under the cursor in the status line); none for a map without.
    const ZoneMap* zones() const { return zones_.get(); }

    // Draws the map again with the options of its panel (reading the
    // database); the zoom and position stay.
    void redraw();

    // How the map is shown: scale (screen pixels per raster cell) and window.
    const MapViewport& mapViewport() const { return viewport_; }
    double scale() const { return viewport_.scale; }
    // Zooms by a factor about a point of the drawing area (the map area's
    // centre when none is given).
    void zoomBy(double factor, std::optional<QPointF> about = std::nullopt);
    void zoomIn() { zoomBy(kZoomStep); }
    void zoomOut() { zoomBy(1 / kZoomStep); }
    // Fits the whole study area into the map area.
    void fitToWindow();
    // The status text for the cell under a point of the drawing area ("" off
    // the map); the last one shown is kept.
    QString cellStatusAt(QPoint point) const;
    const QString& cellStatus() const { return cell_status_; }
    // Caption: view, what it shows (analysis or configuration) and species.
    QString caption() const;

    // The view's visible drawing area as shown on the screen.
    QImage visibleArea();
    // What "save image" writes: the visible area under a title strip naming
    // the view, the analysis or configuration, the species and the layer.
    QImage titledImage();
    QString imageTitle() const;
    // "save image": the save dialog, then saveImageTo.
    void saveImage();
    // Writes the visible area to the name chosen in the dialog with the chosen
    // filter; false when nothing was written (a failure is reported).
    bool saveImageTo(const QString& chosen_name, const QString& selected_filter);

    // The view that panels without a view of their own repaint: the one last
    // activated (or opened).
    static MapView* active();
    static void repaintActive();

    static constexpr double kZoomStep = 1.25;

signals:
    void cellStatusChanged(const QString& text);

protected:
    virtual MapPanel* createPanel() = 0;
    virtual RememberedSelection& selection() = 0;
    virtual MapScene render(MapOptions& options, PanelLists& lists) = 0;
    virtual void maximiseChildWindow() {}
    // First part of the caption ("Result map") and what follows it.
    virtual QString viewName() const = 0;
    virtual QString subject() const = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Sets the caption on the view and its child window.
    void updateCaption();
    void setZones(std::shared_ptr<const ZoneMap> zones) { zones_ = std::move(zones); }

    std::string config_path_;

private:
    void layoutSides();
    // Shows the column's scroll bar when the column needs one and sets its range.
    void updateColumnScroll();
    // The map area left in the drawing area (beside the column and its bar).
    WindowSize mapArea() const;
    void setViewport(const MapViewport& viewport);
    void showCellStatus(const QString& text);

    MapPanel* panel_ = nullptr;
    QFrame* dock_ = nullptr;
    bool panelCollapsed_ = false;
    QToolBar* tools_ = nullptr;
    QScrollBar* columnBar_ = nullptr;
    MapScene scene_;
    std::shared_ptr<const ZoneMap> zones_;
    MapViewport viewport_;
    bool fitted_ = true;  // follows the window's size until zoomed or panned
    QImage frame_;
    bool frame_dirty_ = true;
    std::optional<QPoint> drag_from_;
    QString cell_status_;
    bool opened_ = false;
    int repaints_ = 0;
    static MapView* active_;
};

// The configuration map.
class Cvisualisierung : public MapView {
    Q_OBJECT
public:
    explicit Cvisualisierung(QWidget* parent = nullptr, std::string config_path = database_config_path());

    // Draws the stored configuration with this ID at the next repaint (the
    // first one when it is not stored), as if chosen in the panel.
    void showConfiguration(int configurationID) { wanted_ = configurationID; }

protected:
    MapPanel* createPanel() override { return new FilterKontrolle(this); }
    RememberedSelection& selection() override { return configuration_map_selection(); }
    MapScene render(MapOptions& options, PanelLists& lists) override;
    void maximiseChildWindow() override;
    QString viewName() const override { return "Configuration map"; }
    QString subject() const override;

private:
    std::optional<int> wanted_;
};

// The analysis result map.
class visdireckt : public MapView {
    Q_OBJECT
public:
    explicit visdireckt(QWidget* parent = nullptr, std::string config_path = database_config_path());

    // The analysis whose results it shows, for the caption ("Effectiveness").
    void setAnalysis(const QString& name);

protected:
    MapPanel* createPanel() override { return new zwischenfilter(this); }
    RememberedSelection& selection() override { return result_map_selection(); }
    MapScene render(MapOptions& options, PanelLists& lists) override;
    QString viewName() const override { return "Result map"; }
    QString subject() const override { return analysis_; }

private:
    QString analysis_;
};

}  // namespace pravel

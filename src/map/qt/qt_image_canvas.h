#pragma once
// A map canvas that draws into a QImage on a white background. The image
// starts at the views' scrollable extent and grows (in whole steps, keeping
// what is drawn) whenever a pixel, line or text reaches beyond it, so that the
// legends and description lines right of the raster are kept.
//
// Texts need a QGuiApplication to exist (fonts); pixels and lines do not.
#include <QImage>
#include <QPoint>
#include <QString>

#include "map/map_canvas.h"

namespace pravel {

class QtImageCanvas : public MapCanvas {
public:
    explicit QtImageCanvas(int width = 700, int height = 700);

    void paint_pixel(int x, int y, Colour colour) override;
    void set_text_colour(Colour colour) override;
    void text(int x, int y, const std::string& text) override;
    void line_to(int x, int y) override;
    void move_to(int x, int y) override;
    void fill_rect(int x, int y, int w, int h, Colour colour) override;

    const QImage& image() const { return image_; }
    // Writes the image as PNG; false when it could not be written.
    bool save_png(const QString& path) const;

private:
    // Grows the image so that (x, y) lies inside it.
    void ensure(int x, int y);

    QImage image_;
    QColor text_colour_{0, 0, 0};
    QPoint pen_{0, 0};
};

}  // namespace pravel

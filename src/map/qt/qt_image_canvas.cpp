#include "map/qt/qt_image_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>

namespace pravel {

namespace {

constexpr int kGrowStep = 256;

int grown(int current, int needed) {
    if (needed < current) return current;
    return ((needed / kGrowStep) + 1) * kGrowStep;
}

}  // namespace

QtImageCanvas::QtImageCanvas(int width, int height) : image_(width, height, QImage::Format_RGB32) {
    image_.fill(Qt::white);
}

void QtImageCanvas::ensure(int x, int y) {
    const int w = grown(image_.width(), x);
    const int h = grown(image_.height(), y);
    if (w == image_.width() && h == image_.height()) return;
    QImage bigger(w, h, QImage::Format_RGB32);
    bigger.fill(Qt::white);
    QPainter p(&bigger);
    p.drawImage(0, 0, image_);
    p.end();
    image_ = std::move(bigger);
}

void QtImageCanvas::paint_pixel(int x, int y, Colour colour) {
    if (x < 0 || y < 0) return;  // left of or above the canvas: not visible
    ensure(x, y);
    image_.setPixel(x, y, qRgb(colour.red, colour.green, colour.blue));
}

void QtImageCanvas::fill_rect(int x, int y, int w, int h, Colour colour) {
    if (w <= 0 || h <= 0 || x + w <= 0 || y + h <= 0) return;
    ensure(x + w - 1, y + h - 1);
    const QRgb rgb = qRgb(colour.red, colour.green, colour.blue);
    const int right = x + w, bottom = y + h;
    for (int r = std::max(y, 0); r < bottom; ++r) {
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(r));
        std::fill(line + std::max(x, 0), line + right, rgb);
    }
}

void QtImageCanvas::set_text_colour(Colour colour) { text_colour_ = QColor(colour.red, colour.green, colour.blue); }

void QtImageCanvas::text(int x, int y, const std::string& text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QFont font;
    const QFontMetrics metrics(font);
    ensure(x + metrics.horizontalAdvance(s), y + metrics.height());
    QPainter p(&image_);
    p.setFont(font);
    p.setPen(text_colour_);
    p.drawText(x, y + metrics.ascent(), s);
}

void QtImageCanvas::line_to(int x, int y) {
    ensure(std::max(x, pen_.x()), std::max(y, pen_.y()));
    QPainter p(&image_);
    p.setPen(QPen(Qt::black, 0, Qt::SolidLine));  // cosmetic: exactly one pixel wide
    p.drawLine(pen_, QPoint(x, y));
    pen_ = QPoint(x, y);
}

void QtImageCanvas::move_to(int x, int y) { pen_ = QPoint(x, y); }

bool QtImageCanvas::save_png(const QString& path) const {
    // Written to a temporary file and renamed only when complete, so a failed
    // write leaves no partial image behind.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image_.save(&file, "PNG")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace pravel

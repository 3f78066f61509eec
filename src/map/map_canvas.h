#pragma once
// The surface a map is drawn on, addressed in pixels: x to the right, y
// downwards from the top-left corner. The drawing code knows only this
// interface; the desktop program and the command-line tool draw into a Qt
// image (qt_image_canvas.h), the tests into a RecordingCanvas.
#include <string>
#include <vector>

namespace pravel {

struct Colour {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};

class MapCanvas {
public:
    virtual ~MapCanvas() = default;
    // One pixel in the given colour.
    virtual void paint_pixel(int x, int y, Colour colour) = 0;
    // Colour of the texts written from now on (black on a fresh canvas).
    virtual void set_text_colour(Colour colour) = 0;
    // A text (UTF-8) with its top-left corner at (x, y) in the text colour.
    virtual void text(int x, int y, const std::string& text) = 0;
    // A solid black line one pixel wide from the pen position to (x, y); the
    // pen then stands at (x, y). A fresh canvas has its pen at (0, 0).
    virtual void line_to(int x, int y) = 0;
    // Moves the pen without drawing.
    virtual void move_to(int x, int y) = 0;

    // A filled rectangle of w x h pixels with its top-left corner at (x, y).
    // Canvases that can fill faster than pixel by pixel override it.
    virtual void fill_rect(int x, int y, int w, int h, Colour colour) {
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) paint_pixel(x + c, y + r, colour);
    }
    // What the drawing calls that follow belong to; a canvas that keeps the
    // parts of a map apart (the map picture) listens, the others ignore it.
    enum class Part { Landscape, Result, Outline, Text };
    virtual void begin_part(Part) {}
};

// Records every call, in order, for tests.
class RecordingCanvas : public MapCanvas {
public:
    enum class Op { Pixel, TextColour, Text, LineTo, MoveTo };
    struct Call {
        Op op;
        int x = 0;
        int y = 0;
        Colour colour{};     // pixel colour, new text colour, or the text colour in force for Text
        std::string text{};  // Text only
    };

    void paint_pixel(int x, int y, Colour colour) override { calls_.push_back({Op::Pixel, x, y, colour}); }
    void set_text_colour(Colour colour) override {
        text_colour_ = colour;
        calls_.push_back({Op::TextColour, 0, 0, colour});
    }
    void text(int x, int y, const std::string& t) override { calls_.push_back({Op::Text, x, y, text_colour_, t}); }
    void line_to(int x, int y) override { calls_.push_back({Op::LineTo, x, y}); }
    void move_to(int x, int y) override { calls_.push_back({Op::MoveTo, x, y}); }

    const std::vector<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

    // The calls of one kind, in order.
    std::vector<Call> of(Op op) const {
        std::vector<Call> out;
        for (const auto& c : calls_)
            if (c.op == op) out.push_back(c);
        return out;
    }
    std::vector<Call> pixels() const { return of(Op::Pixel); }
    std::vector<Call> texts() const { return of(Op::Text); }

private:
    std::vector<Call> calls_;
    Colour text_colour_ = kBlack;
};

}  // namespace pravel

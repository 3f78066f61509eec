// Drawing a map window from a kept picture, as a view does on every zoom or
// pan step: a synthetic study area of 420 x 260 cells (landscape on every
// cell, results on a fifth of them, an outline), fitted into 1100 x 850 and
// zoomed in four times, drawn into an image of the window's size.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "map/map_data_set.h"
#include "map/map_legend.h"
#include "map/map_window.h"
#include "map/qt/qt_image_canvas.h"

namespace {

using namespace pravel;

constexpr int kRows = 260;
constexpr int kColumns = 420;

MapScene large_scene() {
    MapScene scene;
    MapPicture& p = scene.picture;
    p.begin_part(MapCanvas::Part::Landscape);
    for (int i = 0; i < kRows; ++i)
        for (int j = 0; j < kColumns; ++j) p.paint_pixel(j + RASTER_OFFSET, i + RASTER_OFFSET, {0, 220, 0});
    p.begin_part(MapCanvas::Part::Result);
    for (int i = 0; i < kRows; ++i)
        for (int j = (i % 5); j < kColumns; j += 5)
            p.paint_pixel(j + RASTER_OFFSET, i + RASTER_OFFSET, quality_colour(0.1 + 0.8 * j / kColumns));
    p.begin_part(MapCanvas::Part::Outline);
    p.move_to(RASTER_OFFSET, RASTER_OFFSET);
    p.line_to(RASTER_OFFSET + kColumns, RASTER_OFFSET);
    p.line_to(RASTER_OFFSET + kColumns, RASTER_OFFSET + kRows);
    p.line_to(RASTER_OFFSET, RASTER_OFFSET + kRows);
    scene.legends = {*landscape_layer_legend(5), *result_layer_legend(7, ResultSource::Analysis)};
    scene.muted_background = true;
    scene.cell_size_m = 90;
    return scene;
}

void draw(benchmark::State& state, double zoom) {
    static const MapScene scene = large_scene();
    const WindowSize area = map_area_size(1100 + kLegendColumnWidth, 850);
    MapViewport viewport = fit_viewport(*scene.picture.bounds(), area.width, area.height);
    viewport = zoom_viewport(viewport, zoom, area.width / 2.0, area.height / 2.0);
    for (auto _ : state) {
        QtImageCanvas canvas(1100 + kLegendColumnWidth, 850);
        draw_map_window(scene, viewport, canvas);
        benchmark::DoNotOptimize(canvas.image().constBits());
    }
    state.counters["cells"] = static_cast<double>(scene.picture.cells().size());
    state.counters["frames_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_MapWindowFitted(benchmark::State& state) { draw(state, 1); }
void BM_MapWindowZoomedIn4(benchmark::State& state) { draw(state, 4); }
BENCHMARK(BM_MapWindowFitted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapWindowZoomedIn4)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

#include "ui/window_registry.h"

#include "ui/map_views.h"
#include "ui/massnahmen_wirksamkeit.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"
#include "ui/shell.h"
#include "ui/zahlungssimulierung.h"

namespace pravel {

void register_windows(CMainFrame& frame) {
    // "Map" opens the configuration map of the stored runs on the active document.
    frame.setMapViewFactory([](std::shared_ptr<CPravelDoc>) -> QWidget* { return new Cvisualisierung(); });

    frame.registerWindow(cmd::kMeasureSimulation,
                         [](CMainFrame& f) -> QWidget* { return new massnahmen_wirksamkeit(&f); });
    frame.registerWindow(cmd::kProgrammeSimulation,
                         [](CMainFrame& f) -> QWidget* { return new zahlungssimulierung(&f); });
    frame.registerWindow(cmd::kBudgetMinimisation, [](CMainFrame& f) -> QWidget* { return new optimierung(&f); });
    frame.registerWindow(cmd::kGoalMaximisation, [](CMainFrame& f) -> QWidget* { return new qualoptimierung(&f); });
}

}  // namespace pravel

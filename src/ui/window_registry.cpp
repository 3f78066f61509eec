#include "ui/window_registry.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "store/database_access.h"
#include "store/profile_store.h"
#include "ui/budget_effect_curve_window.h"
#include "ui/gruenlanddialog.h"
#include "ui/gruenlandladen.h"
#include "ui/map_views.h"
#include "ui/massnahmen_wirksamkeit.h"
#include "ui/optimierung.h"
#include "ui/qualoptimierung.h"
#include "ui/result_export.h"
#include "ui/shell.h"
#include "ui/steckbrief_laden.h"
#include "ui/steckbrief_schmetterling_neu.h"
#include "ui/steckbrief_lebensraum_neu.h"
#include "ui/steckbrief_vogel_neu.h"
#include "ui/study_area_import_dialog.h"
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
    frame.registerWindow(cmd::kBudgetEffectCurve,
                         [](CMainFrame& f) -> QWidget* { return new BudgetEffectCurveWindow(&f); });

    frame.registerWindow(cmd::kNewBird, [](CMainFrame& f) -> QWidget* { return new steckbrief_vogel_neu(&f); });
    frame.registerWindow(cmd::kNewButterfly,
                         [](CMainFrame& f) -> QWidget* { return new steckbrief_schmetterling_neu(&f); });
    const struct {
        int command;
        const char* title;
        const char* group;
    } loads[] = {{cmd::kLoadBird, "Bird", kGroupBird},
                 {cmd::kLoadButterfly, "Butterfly", kGroupButterfly},
                 {cmd::kLoadHabitat, "Habitat", kGroupHabitat}};
    for (const auto& l : loads) {
        frame.registerWindow(l.command, [title = l.title, group = l.group](CMainFrame& f) -> QWidget* {
            return make_profile_load_dialog(&f, title, group);
        });
    }
    frame.registerWindow(cmd::kNewHabitat, [](CMainFrame& f) -> QWidget* {
        auto* editor = new steckbrief_lebensraum_neu(&f);
        editor->setWindowModality(Qt::ApplicationModal);
        return editor;
    });
    frame.registerWindow(cmd::kGrasslandEditor, [](CMainFrame& f) -> QWidget* {
        auto* editor = new gruenlanddialog(&f);
        editor->setWindowTitle("Grassland input");
        return editor;
    });
    frame.registerWindow(cmd::kImportStudyArea,
                         [](CMainFrame& f) -> QWidget* { return new StudyAreaImportDialog(&f); });
    // Export results: of the active map view, written at once; no window
    // stays open.
    frame.registerWindow(cmd::kExportResults, [](CMainFrame& f) -> QWidget* {
        QMdiSubWindow* active = f.mdiArea()->activeSubWindow();
        MapView* view = active ? qobject_cast<MapView*>(active->widget()) : nullptr;
        export_map_results(&f, view ? view : MapView::active());
        return nullptr;
    });
    frame.registerWindow(cmd::kGrasslandLoad, [](CMainFrame& f) -> QWidget* {
        auto* dialog = new gruenlandladen(&f);
        dialog->setWindowTitle("Grassland type");
        DatabaseAccess db;
        dialog->setEntries(grassland_load_list(db));
        return dialog;
    });
}

}  // namespace pravel

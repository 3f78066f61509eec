// The grassland type editor and its load dialog offscreen on the demo
// catalogue: the save sequence with its messages, the rows written, the
// measure selection, and a stored version shown, edited and saved anew.
#include "ui/gruenlanddialog.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>

#include "support/grassland_editor_driver.h"
#include "ui/gruenlandladen.h"
#include "ui/shell.h"
#include "ui/steckbrief_lebensraum_neu.h"
#include "ui/window_registry.h"

namespace pravel {
namespace {

using testing::EditorDriver;
using testing::sorted;

class GrasslandEditorTest : public testing::EditorTest<gruenlanddialog> {
protected:
    void SetUp() override {
        testing::offscreen_application("ui_gruenlanddialog");
        EditorTest::SetUp();
    }
    void TearDown() override {
        frame_.reset();
        EditorTest::TearDown();
    }
    int mowing(int first_use, int distance) {
        return testing::measure_id(schema(), "mowing_2cut", first_use, distance);
    }
    std::vector<std::vector<std::string>> grasslandRows() {
        return schema().rows(
            "SELECT grasslandID, name_engl, name_latin, code, low_productivity, normal_productivity, "
            "soil_moister_requi_wet, soil_moister_requi_fresh, fertilization, no_fertilization, name_editor, "
            "altitude_high, altitude_low FROM grassland WHERE grasslandID > 6 ORDER BY grasslandID");
    }
    std::vector<std::string> links(const std::string& grassland_id) {
        std::vector<std::string> out;
        for (const auto& row :
             schema().rows("SELECT measureID FROM measure_grassland WHERE grasslandID = " + grassland_id))
            out.push_back(row[0]);
        return out;
    }

    std::unique_ptr<CMainFrame> frame_;
};

TEST_F(GrasslandEditorTest, SaveRefusesStepByStepThenStoresOneNormalVersionOnOk) {
    // Empty name: the only stop before it is none.
    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kGrasslandNameMessage});
    EXPECT_EQ(editor_->focusWidget(), d_->get<QLineEdit>("Dutch Name"));

    // Moisture and code messages go on to the next check.
    d_->type("wet", "1.5");
    d_->type("fresh", "0.5");
    d_->type("FFH-Code", "65a");
    d_->type("Dutch Name", "Hay meadow");
    EXPECT_EQ(messagesOfSave(),
              (std::vector<std::string>{kMoistureRangeMessage, kHabitatCodeMessage, kEditorNameMessage}));
    EXPECT_EQ(editor_->focusWidget(), d_->get<QLineEdit>("Data was entered by"));
    EXPECT_EQ(d_->get<QLineEdit>("Data was entered by")->text(), kEditorInitialText);

    d_->type("Data was entered by", "Anna");
    d_->type("FFH-Code", "");
    EXPECT_EQ(messagesOfSave(), (std::vector<std::string>{kMoistureRangeMessage, kSelectMeasuresMessage}));

    d_->click("normal productivity");
    d_->chooseMeasure("mowing_2cut", 20, 6);
    ASSERT_EQ(d_->entries(kNormalListGrassland).size(), 1u);

    // Cancel on the confirmation stores nothing and leaves the editor open.
    messages().queue_answer(false);
    EXPECT_EQ(messagesOfSave(), (std::vector<std::string>{kMoistureRangeMessage, kGrasslandConfirmMessage}));
    EXPECT_EQ(messages().messages().back().kind, RecordingNotifier::Kind::OkCancel);
    EXPECT_EQ(messages().messages().back().title, "Check input");
    EXPECT_EQ(schema().count("grassland"), 6);
    EXPECT_TRUE(editor_->isVisible());

    // OK: one version, normal productivity, the refused wet value still 0,
    // the empty Latin name replaced and the empty code 0.
    d_->click("independent");
    EXPECT_EQ(messagesOfSave(), (std::vector<std::string>{kMoistureRangeMessage, kGrasslandConfirmMessage}));
    const auto rows = grasslandRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{rows[0][0], "Hay meadow", kMissingLatinName, "0", "0", "1", "0", "0.5",
                                                 "1", "0", "Anna", "1", "1"}));
    EXPECT_EQ(links(rows[0][0]), std::vector<std::string>{std::to_string(mowing(20, 6))});
    EXPECT_TRUE(editor_.isNull() || !editor_->isVisible());
}

TEST_F(GrasslandEditorTest, BothListsGiveTwoVersionsLowFirstEachWithItsLinksInListOrder) {
    d_->type("Dutch Name", "Molinia meadow");
    d_->type("Latin Name", "Molinion");
    d_->type("FFH-Code", "6510");
    d_->type("Data was entered by", "Piet");
    d_->click("low productivity");
    d_->chooseMeasure("mowing_2cut", 26, 8);  // unfertilised
    d_->chooseMeasure("mowing_2cut", 16, 6);  // fertilised
    // Choosing the other soil adds the current measure there as well.
    d_->click("normal productivity");
    d_->chooseMeasure("mowing_2cut", 18, 10);
    EXPECT_EQ(d_->entries(kLowListGrassland),
              (std::vector<std::string>{"mowing_2cut, 26/8,0 (F)", "mowing_2cut, 16/6,1 (F)"}));

    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kGrasslandConfirmMessage});
    const auto rows = grasslandRows();
    ASSERT_EQ(rows.size(), 2u);
    // Low: its last measure was fertilised, an unfertilised one was added too.
    EXPECT_EQ(rows[0], (std::vector<std::string>{rows[0][0], "Molinia meadow", "Molinion", "6510", "1", "0", "0", "0",
                                                 "1", "1", "Piet", "0", "0"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{rows[1][0], "Molinia meadow", "Molinion", "6510", "0", "1", "0", "0",
                                                 "1", "0", "Piet", "0", "0"}));
    EXPECT_EQ(links(rows[0][0]),
              (std::vector<std::string>{std::to_string(mowing(26, 8)), std::to_string(mowing(16, 6))}));
    EXPECT_EQ(links(rows[1][0]),
              (std::vector<std::string>{std::to_string(mowing(16, 6)), std::to_string(mowing(18, 10))}));
}

TEST_F(GrasslandEditorTest, MeasureSelectionOffersWhatTheVariantsLeaveOpen) {
    auto* yes = d_->get<QRadioButton>("yes");
    auto* no = d_->get<QRadioButton>("no");
    auto* kinds = d_->get<QListWidget>("Type of livestock");
    auto* densities = d_->get<QListWidget>("Livestock density in GV/ha");

    // Mowing: one fertilisation value, chosen and locked; no livestock.
    d_->chooseMeasure("mowing_2cut", 20, 6);
    EXPECT_TRUE(yes->isChecked());
    EXPECT_FALSE(yes->isEnabled());
    EXPECT_FALSE(no->isEnabled());
    EXPECT_FALSE(kinds->isEnabled());
    EXPECT_FALSE(densities->isEnabled());
    EXPECT_TRUE(d_->entries(kNormalListGrassland).empty());  // no soil chosen yet
    d_->click("normal productivity");
    EXPECT_EQ(d_->entries(kNormalListGrassland), std::vector<std::string>{"mowing_2cut, 20/6,1 (F)"});

    // Grazing: kinds and densities of every matching variant; the measure is
    // added once livestock and density are chosen, and again for the other
    // soil.
    d_->chooseMeasure("grazing_rota3", 16, 6);
    EXPECT_FALSE(yes->isEnabled());
    EXPECT_TRUE(kinds->isEnabled());
    EXPECT_EQ(d_->entries("Type of livestock"),
              (std::vector<std::string>{"1,suckler cows (calm)", "2,young cattle (lively)"}));
    EXPECT_EQ(d_->entries("Livestock density in GV/ha"), (std::vector<std::string>{"1.40", "2.00"}));
    d_->choose("Type of livestock", "1,suckler cows (calm)");
    EXPECT_EQ(d_->entries(kNormalListGrassland).size(), 1u);
    d_->choose("Livestock density in GV/ha", "1.40");
    d_->click("low productivity");
    EXPECT_EQ(d_->entries(kNormalListGrassland),
              (std::vector<std::string>{"mowing_2cut, 20/6,1 (F)", "grazing_rota3, 16/6,1.4 (GV), 1 (F)"}));
    EXPECT_EQ(d_->entries(kLowListGrassland), std::vector<std::string>{"grazing_rota3, 16/6,1.4 (GV), 1 (F)"});
    const auto low = editor_->measures(true);
    ASSERT_EQ(low.size(), 1u);
    EXPECT_EQ(low[0].measureID, testing::measure_id(schema(), "grazing_rota3", 16, 6,
                                                    " AND livestockID_1 = 1 AND livestock_density_1 = 1.4"));

    // Grazing that follows the sward: that density counts as chosen.
    d_->chooseMeasure("grazing_rota1", 24, 0);
    EXPECT_EQ(densities->currentItem()->text(), "depending on the grassland");
    d_->choose("Type of livestock", "1,suckler cows (calm)");
    EXPECT_EQ(d_->entries(kLowListGrassland).back(), "grazing_rota1, 24/0,0 (F)");

    // Two fertilisation values: the options are open and cleared, and the
    // user's choice adds the matching variant.
    schema().exec(
        "INSERT INTO measures (measureID, name, month_quarter_first_use, fertilization, method_nr, selection) "
        "VALUES (900, 'mowing_1cut', 18, 1, 4, 1)");
    d_->chooseMeasure("mowing_1cut", 18, 0);
    EXPECT_TRUE(yes->isEnabled());
    EXPECT_FALSE(yes->isChecked() || no->isChecked());
    const std::size_t before = d_->entries(kLowListGrassland).size();
    d_->click("no");
    d_->click("yes");
    auto entries = d_->entries(kLowListGrassland);
    ASSERT_EQ(entries.size(), before + 2);
    EXPECT_EQ(entries[before], "mowing_1cut, 18/0,0 (F)");
    EXPECT_EQ(entries[before + 1], "mowing_1cut, 18/0,1 (F)");
    EXPECT_EQ(editor_->measures(true).back().measureID, 900);
    EXPECT_TRUE(editor_->lowRecord().no_fertilization);
    EXPECT_TRUE(editor_->lowRecord().fertilization);

    // A double click removes exactly that entry and its measure.
    d_->doubleClick(kLowListGrassland, "mowing_1cut, 18/0,0 (F)");
    entries = d_->entries(kLowListGrassland);
    EXPECT_EQ(entries.size(), before + 1);
    EXPECT_EQ(entries.back(), "mowing_1cut, 18/0,1 (F)");
    EXPECT_EQ(editor_->measures(true).size(), before + 1);
    EXPECT_EQ(editor_->measures(true).back().measureID, 900);
}

TEST_F(GrasslandEditorTest, TheLoadDialogShowsAStoredVersionReadOnlyUntilEditRecord) {
    schema().exec(
        "INSERT INTO grassland (grasslandID, name_engl, name_latin, code, altitude_high, altitude_low, "
        "soil_moister_requi_wet, soil_moister_requi_fresh, soil_moister_requi_dry, low_productivity, "
        "normal_productivity, name_editor, savetime) VALUES "
        "(20, 'Uebriges Gruenland', 'x', 0, 0, 1, 0, 0, 0, 0, 1, 'E', '2026-05-01 10:00:00.000000'), "
        "(21, 'Sand meadow', 'Thero-Airion', 6120, 1, 0, 0.5, 1, 0.33, 1, 0, 'Anna', '2026-05-02 11:02:17.250000'), "
        "(22, 'Uebriges Gruenland2', 'x', 0, 0, 1, 0, 0, 0, 0, 1, 'E', '2026-05-03 10:00:00.000000')");
    schema().exec("INSERT INTO measure_grassland (measureID, grasslandID) VALUES (" + std::to_string(mowing(26, 8)) +
                  ", 21), (" + std::to_string(mowing(16, 6)) + ", 21)");

    frame_ = std::make_unique<CMainFrame>();
    register_windows(*frame_);
    frame_->onCommand(cmd::kGrasslandLoad);
    auto dialogs = frame_->findChildren<gruenlandladen*>();
    ASSERT_EQ(dialogs.size(), 1);
    QPointer<gruenlandladen> load = dialogs.front();
    EXPECT_EQ(load->windowTitle(), "Grassland type");
    auto* list = load->findChild<QListWidget*>(kLoadListName);
    ASSERT_NE(list, nullptr);
    std::vector<std::string> shown;
    for (int i = 0; i < list->count(); ++i) shown.push_back(list->item(i)->text().toStdString());
    EXPECT_EQ(shown.size(), 7u);  // the six demo types and the new one
    EXPECT_EQ(shown.back(), "Sand meadow/schwachwüchsig, 2026-05-02 11:02:17.250000, Anna");
    for (const auto& e : shown) EXPECT_EQ(e.find("Uebriges"), std::string::npos) << e;

    // OK before a choice.
    messages().clear();
    load->findChild<QPushButton*>("OK")->click();
    ASSERT_EQ(messages().texts(), std::vector<std::string>{kMakeSelectionMessage});
    EXPECT_EQ(messages().messages()[0].kind, RecordingNotifier::Kind::YesNo);
    EXPECT_TRUE(load->isVisible());

    list->setCurrentRow(list->count() - 1);
    load->findChild<QPushButton*>("OK")->click();
    EXPECT_TRUE(load.isNull() || !load->isVisible());
    gruenlanddialog* shownEditor = nullptr;
    for (auto* e : frame_->findChildren<gruenlanddialog*>())
        if (e->isVisible()) shownEditor = e;
    ASSERT_NE(shownEditor, nullptr);
    EditorDriver v(shownEditor);
    EXPECT_EQ(shownEditor->windowTitle(), "Sand meadow/ low productivity");
    EXPECT_EQ(v.get<QLineEdit>("Dutch Name")->text(), "Sand meadow");
    EXPECT_EQ(v.get<QLineEdit>("Latin Name")->text(), "Thero-Airion");
    EXPECT_EQ(v.get<QLineEdit>("Data was entered by")->text(), "Anna");
    EXPECT_EQ(v.get<QLineEdit>("FFH-Code")->text(), "6120");
    EXPECT_EQ(v.get<QLineEdit>("wet")->text(), "0.5");
    EXPECT_EQ(v.get<QLineEdit>("fresh")->text(), "1.0");
    EXPECT_EQ(v.get<QLineEdit>("dry")->text(), "0.3");
    EXPECT_TRUE(v.get<QRadioButton>("high (>500m aMSL)")->isChecked());
    EXPECT_EQ(v.entries(kLowListGrassland),
              (std::vector<std::string>{"mowing_2cut, 26/8,0 (F)", "mowing_2cut, 16/6,1 (F)"}));
    EXPECT_TRUE(v.entries(kNormalListGrassland).empty());

    // View mode.
    for (const char* name : {"Type of measure", "Type of livestock", "Livestock density in GV/ha"})
        EXPECT_FALSE(v.get<QListWidget>(name)->isEnabled()) << name;
    for (const char* name : {"yes", "no", "normal productivity", "low productivity"})
        EXPECT_FALSE(v.get<QRadioButton>(name)->isEnabled()) << name;
    EXPECT_TRUE(v.get<QPushButton>("Edit record")->isVisible());
    EXPECT_TRUE(v.get<QPushButton>("Record ok")->isVisible());
    EXPECT_FALSE(v.get<QPushButton>("Save")->isVisible());
    EXPECT_FALSE(v.get<QPushButton>("Cancel")->isVisible());

    // Edit record: the editor's name and the measures are to be given anew;
    // saving stores a new version beside the loaded one.
    v.click("Edit record");
    EXPECT_TRUE(v.get<QLineEdit>("Data was entered by")->text().isEmpty());
    EXPECT_TRUE(v.entries(kLowListGrassland).empty());
    EXPECT_TRUE(v.get<QListWidget>("Type of measure")->isEnabled());
    EXPECT_TRUE(v.get<QRadioButton>("low productivity")->isEnabled());
    EXPECT_TRUE(v.get<QPushButton>("Save")->isVisible());
    EXPECT_FALSE(v.get<QPushButton>("Edit record")->isVisible());
    v.type("Data was entered by", "Piet");
    v.click("low productivity");
    v.chooseMeasure("mowing_2cut", 26, 8);
    messages().clear();
    v.click("Save");
    EXPECT_EQ(messages().texts(), std::vector<std::string>{kGrasslandConfirmMessage});
    const auto rows = grasslandRows();
    ASSERT_EQ(rows.size(), 4u);
    // The new version keeps the shown elevation, moisture and code.
    EXPECT_EQ(rows.back(), (std::vector<std::string>{rows.back()[0], "Sand meadow", "Thero-Airion", "6120", "1", "0",
                                                     "0.5", "1", "0", "1", "Piet", "1", "0"}));
    EXPECT_EQ(links(rows.back()[0]), std::vector<std::string>{std::to_string(mowing(26, 8))});
}

TEST_F(GrasslandEditorTest, EachWindowShowsItsOwnTextsInTheEditorColours) {
    // Written from the description of the windows, not from the code.
    const std::vector<std::string> shared_labels = {
        "FFH-Code", "Dutch Name", "Latin Name",
        "Values lie between 0 and 1 with the following division: 0 = unsuitable, 0.5 = suitable, 1 = preferred",
        "dry", "fresh", "wet", "Please specify the required elevation:", "Type of measure", "QM of first use",
        "Distance to first use in QM", "Type of livestock", "Livestock density in GV/ha", "Data was entered by"};
    const std::vector<std::string> options = {"high (>500m aMSL)", "low (< 500m aMSL)", "independent", "yes", "no",
                                              "normal productivity", "low productivity"};
    const std::vector<std::string> buttons = {"Save", "Cancel", "Record ok", "Edit record"};
    const std::vector<std::string> inputs = {"FFH-Code=",   "Dutch Name=", "Latin Name=",
                                             "dry=",        "fresh=",      "wet=",
                                             "Data was entered by=Please enter your name!"};
    const struct {
        const char* title;
        const char* name_group;
        const char* selection;
        const char* normal_list;
        const char* low_list;
    } windows[] = {
        {"Grassland", "Grassland type", "Please select the measures that make this grassland type arise.",
         "Measures that make this grassland type arise on soil with normal productivity",
         "Measures that make this grassland type arise on soil with low productivity"},
        {"Characteristics of a new habitat", "Name", "Please select the measures that make this habitat type arise.",
         "Measures that make this habitat type arise on soil with normal productivity",
         "Measures that make this habitat type arise on soil with low productivity"},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.title);
        std::unique_ptr<gruenlanddialog> editor;
        if (std::string(w.title) == "Grassland")
            editor = std::make_unique<gruenlanddialog>();
        else
            editor = std::make_unique<steckbrief_lebensraum_neu>();
        EXPECT_EQ(editor->windowTitle().toStdString(), w.title);
        const testing::WindowTexts t = testing::window_texts(editor.get());
        EXPECT_EQ(t.groups, sorted({w.name_group, "Moisture requirements", "Elevation requirements", "Use",
                                    "Fertilization", kSoilGroupCaption}));
        std::vector<std::string> labels = shared_labels;
        labels.insert(labels.end(), {w.selection, w.normal_list, w.low_list});
        EXPECT_EQ(t.labels, sorted(labels));
        EXPECT_EQ(t.options, sorted(options));
        EXPECT_EQ(t.buttons, sorted(buttons));
        EXPECT_EQ(t.lists, sorted({"Type of measure", "QM of first use", "Distance to first use in QM",
                                   "Type of livestock", "Livestock density in GV/ha", w.normal_list, w.low_list}));
        EXPECT_EQ(t.inputs, sorted(inputs));

        const QColor background(255, 255, 240), caption(139, 26, 26), label(0, 100, 0);
        EXPECT_EQ(editor->palette().color(QPalette::Window), background);
        for (auto* g : editor->findChildren<QGroupBox*>())
            EXPECT_EQ(g->palette().color(QPalette::WindowText), caption) << g->title().toStdString();
        for (auto* l : editor->findChildren<QLabel*>()) {
            EXPECT_EQ(l->palette().color(QPalette::WindowText), label) << l->text().toStdString();
            EXPECT_FALSE(l->autoFillBackground()) << l->text().toStdString();
        }
        for (auto* o : editor->findChildren<QRadioButton*>())
            EXPECT_EQ(o->palette().color(QPalette::WindowText), label) << o->text().toStdString();
    }

    gruenlandladen load;
    EXPECT_EQ(load.windowTitle(), "Load grassland");
    EXPECT_EQ(testing::window_texts(&load).labels,
              std::vector<std::string>{"Please select a grassland type you want to load."});
}

TEST_F(GrasslandEditorTest, MovingTheFocusThroughTheListsChoosesNothing) {
    QApplication::setActiveWindow(editor_);
    // Enter in an input moves on as Tab does, runs the input's leave action
    // and never saves.
    QLineEdit* code = d_->get<QLineEdit>("FFH-Code");
    code->setFocus();
    code->setText("6510");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(code, &enter);
    EXPECT_EQ(QApplication::focusWidget(), d_->get<QLineEdit>("Dutch Name"));
    EXPECT_EQ(editor_->normalRecord().code, 6510);
    EXPECT_EQ(editor_->lowRecord().code, 6510);
    EXPECT_TRUE(messages().messages().empty());

    // Reaching a list by the keyboard makes no choice in it.
    QListWidget* types = d_->get<QListWidget>("Type of measure");
    types->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(QApplication::focusWidget(), types);
    EXPECT_EQ(d_->get<QListWidget>("QM of first use")->count(), 0);
    d_->choose("Type of measure", "grazing_rota3");
    d_->choose("QM of first use", quarter_month_label(16));
    d_->choose("Distance to first use in QM", "6");
    d_->click("low productivity");
    QListWidget* kinds = d_->get<QListWidget>("Type of livestock");
    kinds->setFocus(Qt::TabFocusReason);
    d_->get<QListWidget>("Livestock density in GV/ha")->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(d_->entries(kLowListGrassland).empty());
    EXPECT_TRUE(kinds->selectedItems().isEmpty());

    // The load dialog: a list that has the focus but no chosen entry asks for
    // a selection.
    gruenlandladen load;
    load.setEntries({"Hay meadow/starkwüchsig, 2026-05-02 11:02:17, Anna"});
    load.show();
    QApplication::setActiveWindow(&load);
    load.findChild<QListWidget*>(kLoadListName)->setFocus(Qt::TabFocusReason);
    messages().clear();
    EXPECT_EQ(load.openChosen(), nullptr);
    EXPECT_EQ(messages().texts(), std::vector<std::string>{kMakeSelectionMessage});
}

TEST_F(GrasslandEditorTest, TheWindowScrollsAndLeavingTowardsCancelClosesUnchecked) {
    // Lower than its layout: the window scrolls, a line a hundredth and a
    // page a tenth of the range.
    editor_->resize(700, 200);
    QApplication::processEvents();
    QScrollBar* bar = editor_->findChild<QScrollArea*>()->verticalScrollBar();
    const int range = bar->maximum() - bar->minimum();
    ASSERT_GT(range, 500);
    EXPECT_EQ(bar->singleStep(), range / 100);
    EXPECT_EQ(bar->pageStep(), range / 10);

    QApplication::setActiveWindow(editor_);
    d_->type("Dutch Name", "Hay meadow");
    d_->type("Data was entered by", "Anna");
    d_->click("normal productivity");
    d_->chooseMeasure("mowing_2cut", 20, 6);
    d_->get<QLineEdit>("wet")->setFocus();
    d_->type("wet", "1.5x");
    d_->get<QPushButton>("Cancel")->setFocus();
    EXPECT_TRUE(editor_.isNull() || !editor_->isVisible());
    EXPECT_TRUE(messages().messages().empty());
    EXPECT_EQ(schema().count("grassland"), 6);
}

TEST_F(GrasslandEditorTest, TheEditorCommandOpensAnEditorTitledGrasslandInput) {
    frame_ = std::make_unique<CMainFrame>();
    register_windows(*frame_);
    frame_->onCommand(cmd::kGrasslandEditor);
    const auto editors = frame_->findChildren<gruenlanddialog*>();
    ASSERT_EQ(editors.size(), 1);
    EXPECT_EQ(editors.front()->windowTitle(), "Grassland input");
    EXPECT_TRUE(editors.front()->isVisible());
    EXPECT_FALSE(editors.front()->isModal());
}

}  // namespace
}  // namespace pravel

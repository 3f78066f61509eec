// The habitat editor offscreen on the demo catalogue: its own messages, the
// profile row and the grassland versions tied to it, the sorted measure lists
// and the modal window of its command.
#include "ui/steckbrief_lebensraum_neu.h"

#include <gtest/gtest.h>

#include "support/grassland_editor_driver.h"
#include "ui/shell.h"
#include "ui/window_registry.h"

namespace pravel {
namespace {

using testing::EditorDriver;

class HabitatEditorTest : public testing::EditorTest<steckbrief_lebensraum_neu> {
protected:
    void SetUp() override {
        testing::offscreen_application("ui_steckbrief_lebensraum_neu");
        EditorTest::SetUp();
    }
    long long habitats() {
        return std::stoll(schema().scalar("SELECT COUNT(*) FROM species WHERE `group` = 'Lebensraum'"));
    }
};

TEST_F(HabitatEditorTest, SaveRefusesWithTheHabitatTextsThenStoresTheProfileAndItsVersions) {
    const long long habitats_before = habitats();
    const long long eggs_before = schema().count("quarter_month_eggs");
    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kHabitatNameMessage});
    EXPECT_EQ(editor_->focusWidget(), d_->get<QLineEdit>("Dutch Name"));

    d_->type("Dutch Name", "Dry heath meadow");
    d_->type("FFH-Code", "6510");
    d_->type("wet", "0.2");
    d_->type("dry", "1");
    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kEditorNameMessage});
    d_->type("Data was entered by", "Anna");
    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kSelectMeasuresMessage});

    d_->click("low productivity");
    d_->chooseMeasure("mowing_2cut", 26, 8);
    messages().queue_answer(false);
    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kHabitatConfirmMessage});
    EXPECT_EQ(habitats(), habitats_before);
    EXPECT_EQ(schema().count("grassland"), 6);

    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kHabitatConfirmMessage});
    const auto species = schema().rows(
        "SELECT speciesID, name, name_latein, grasslandtyp_nr, soil_moisture_requir_wet, soil_moisture_requir_dry, "
        "name_editor FROM species WHERE `group` = 'Lebensraum' ORDER BY speciesID DESC LIMIT 1");
    ASSERT_EQ(habitats(), habitats_before + 1);
    // The empty Latin name is stored as typed.
    EXPECT_EQ(species[0],
              (std::vector<std::string>{species[0][0], "Dry heath meadow", "", "6510", "0.2", "1", "Anna"}));
    EXPECT_EQ(schema().count("quarter_month_eggs"), eggs_before);

    const auto grassland = schema().rows(
        "SELECT grasslandID, name_engl, name_latin, code, low_productivity, normal_productivity, speciesID, "
        "soil_moister_requi_wet, name_editor FROM grassland WHERE grasslandID > 6");
    ASSERT_EQ(grassland.size(), 1u);
    EXPECT_EQ(grassland[0], (std::vector<std::string>{grassland[0][0], "Dry heath meadow", "", "6510", "1", "0",
                                                      species[0][0], "0.2", "Anna"}));
    EXPECT_EQ(schema().scalar("SELECT measureID FROM measure_grassland WHERE grasslandID = " + grassland[0][0]),
              std::to_string(testing::measure_id(schema(), "mowing_2cut", 26, 8)));
}

TEST_F(HabitatEditorTest, BothProductivitiesGiveTwoVersionsOfTheSameSpecies) {
    d_->type("Dutch Name", "Wet meadow");
    d_->type("Latin Name", "Calthion");
    d_->type("Data was entered by", "Piet");
    d_->click("normal productivity");
    d_->chooseMeasure("mowing_2cut", 18, 10);
    d_->click("low productivity");
    EXPECT_EQ(messagesOfSave(), std::vector<std::string>{kHabitatConfirmMessage});
    const auto rows = schema().rows(
        "SELECT low_productivity, speciesID, name_latin FROM grassland WHERE grasslandID > 6 ORDER BY grasslandID");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "1");
    EXPECT_EQ(rows[1][0], "0");
    EXPECT_EQ(rows[0][1], rows[1][1]);
    EXPECT_EQ(schema().scalar("SELECT name_latein FROM species WHERE speciesID = " + rows[0][1]), "Calthion");
}

TEST_F(HabitatEditorTest, DoubleClickRemovesTheEntryClickedInTheSortedList) {
    d_->click("low productivity");
    d_->chooseMeasure("mowing_2cut", 26, 8);  // B
    d_->chooseMeasure("mowing_1cut", 26, 0);  // A, listed first
    const std::string a = "mowing_1cut, 26/0,0 (F)";
    const std::string b = "mowing_2cut, 26/8,0 (F)";
    EXPECT_EQ(d_->entries(kLowListHabitat), (std::vector<std::string>{a, b}));
    d_->doubleClick(kLowListHabitat, a);
    EXPECT_EQ(d_->entries(kLowListHabitat), std::vector<std::string>{b});
    const auto left = editor_->measures(true);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].name, "mowing_2cut");
}

TEST_F(HabitatEditorTest, TheCommandOpensAModalHabitatEditor) {
    CMainFrame frame;
    register_windows(frame);
    frame.onCommand(cmd::kNewHabitat);
    const auto editors = frame.findChildren<steckbrief_lebensraum_neu*>();
    ASSERT_EQ(editors.size(), 1);
    EXPECT_EQ(editors.front()->windowTitle(), steckbrief_lebensraum_neu::kTitle);
    EXPECT_EQ(editors.front()->windowModality(), Qt::ApplicationModal);
    EXPECT_NE(editors.front()->findChild<QWidget*>("Name"), nullptr);
    editors.front()->close();
}

TEST_F(HabitatEditorTest, LeavingAnInputFillsTheProfileAndTheEditorsNameGoesOnlyThere) {
    QApplication::setActiveWindow(editor_);
    const struct {
        const char* field;
        const char* text;
    } inputs[] = {{"FFH-Code", "6510"},
                  {"Dutch Name", "Dry meadow"},
                  {"Latin Name", "Mesobromion"},
                  {"Data was entered by", "Anna"}};
    for (const auto& in : inputs) {
        QLineEdit* field = d_->get<QLineEdit>(in.field);
        field->setFocus();
        field->setText(in.text);
    }
    d_->get<QLineEdit>("wet")->setFocus();
    EXPECT_EQ(editor_->species().grasslandtyp_nr, 6510);
    EXPECT_EQ(editor_->species().name, "Dry meadow");
    EXPECT_EQ(editor_->species().name_latein, "Mesobromion");
    EXPECT_EQ(editor_->species().name_editor, "Anna");
    for (const GrasslandRecord* r : {&editor_->normalRecord(), &editor_->lowRecord()}) {
        EXPECT_EQ(r->code, 6510);
        EXPECT_EQ(r->name_engl, "Dry meadow");
        EXPECT_EQ(r->name_latin, "Mesobromion");
        EXPECT_EQ(r->name_editor, "");
    }
}

}  // namespace
}  // namespace pravel

// "Load characteristics" offscreen on the demo profiles: reading an entry,
// the lists of the three load commands, a stored version shown in the bird
// editor, and a new version made from it with "Edit record".
#include "ui/steckbrief_laden.h"

#include <gtest/gtest.h>

#include "support/demo_schema.h"
#include "ui/editor_driver.h"
#include "ui/shell.h"
#include "ui/steckbrief_schmetterling_neu.h"
#include "ui/steckbrief_vogel_neu.h"
#include "ui/window_registry.h"

namespace pravel {
namespace {

TEST(ProfileEntry, NameAndSaveTimeAreReadFromTheEntry) {
    const struct {
        const char* entry;
        ProfileEntryKey key;
    } cases[] = {
        {"Vanellus vanellus/Lapwing, 2010-05-03 11:02:17, Jan", {"Lapwing", "2010-05-03 11:02:17"}},
        {"Euphydryas aurinia/Moerasparelmoervlinder, 2026-03-02 09:40:00.000000, Demo data",
         {"Moerasparelmoervlinder", "2026-03-02 09:40:00.000000"}},
        // Blanks and tabs before the save time are skipped; a "t" ends it.
        {"L/Name, \t 2010-05-03 11:02:17 tail, x", {"Name", "2010-05-03 11:02:17 "}},
        {"L/Name,2010-05-03", {"Name", "2010-05-03"}},
        // The name runs from the first "/" to the next ",".
        {"A/B/C, 2010-01-01 00:00:00, x", {"B/C", "2010-01-01 00:00:00"}},
        {"L/ Blank name , 2010-01-01, x", {" Blank name ", "2010-01-01"}},
        {"L/Name, ", {"Name", ""}},
        {"no slash, 2010-01-01, x", {"", ""}},
        {"L/no comma", {"", ""}},
        {"", {"", ""}},
    };
    for (const auto& c : cases) EXPECT_EQ(parse_profile_entry(c.entry), c.key) << c.entry;
}

class LoadDialogTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        testing::offscreen_application("ui_profile_editors");
        DatabaseTest::SetUp();
        testing::load_demo_database(schema());
        messages().clear();
    }

    // The dialog the load command for `command` opens from the main window.
    steckbrief_laden* openFromMenu(CMainFrame& frame, int command) {
        frame.onCommand(command);
        const auto dialogs = frame.findChildren<steckbrief_laden*>();
        return dialogs.isEmpty() ? nullptr : dialogs.back();
    }
    // Opens a version in the bird editor through the dialog.
    steckbrief_vogel_neu* show(steckbrief_laden* dialog, const QString& startOfEntry) {
        auto* list = dialog->findChild<QListWidget*>(kLoadListLabel);
        const auto found = list->findItems(startOfEntry, Qt::MatchStartsWith);
        EXPECT_EQ(found.size(), 1) << startOfEntry.toStdString();
        if (found.size() != 1) return nullptr;
        list->setCurrentItem(found.front());
        dialog->findChild<QPushButton*>("OK")->click();
        return dialog->shownEditor();
    }
};

TEST_F(LoadDialogTest, EachLoadCommandListsTheVersionsOfItsGroup) {
    CMainFrame frame;
    register_windows(frame);
    const struct {
        int command;
        const char* title;
        int entries;
        const char* first;
    } cases[] = {
        {cmd::kLoadBird, "Bird", 7, "Vanellus vanellus/Kievit, 2026-03-02 09:05:00"},
        {cmd::kLoadButterfly, "Butterfly", 4, "Euphydryas aurinia/Moerasparelmoervlinder, "},
        {cmd::kLoadHabitat, "Habitat", 3, "Arrhenatherion elatioris/Glanshaverhooiland (6510), "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        steckbrief_laden* dialog = openFromMenu(frame, c.command);
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(dialog->windowTitle(), c.title);
        auto* list = dialog->findChild<QListWidget*>(kLoadListLabel);
        ASSERT_EQ(list->count(), c.entries);
        EXPECT_TRUE(list->item(0)->text().startsWith(c.first)) << list->item(0)->text().toStdString();
        EXPECT_TRUE(list->item(0)->text().endsWith(", Demo data"));
        dialog->findChild<QPushButton*>("Cancel")->click();
        EXPECT_FALSE(dialog->isVisible());
    }
    // The two new-profile commands open their editors.
    frame.onCommand(cmd::kNewBird);
    frame.onCommand(cmd::kNewButterfly);
    EXPECT_EQ(frame.findChildren<steckbrief_vogel_neu*>().size(), 1);
    EXPECT_EQ(frame.findChildren<steckbrief_schmetterling_neu*>().size(), 1);
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(LoadDialogTest, OkWithoutASelectionAsksForOneAndStaysOpen) {
    std::unique_ptr<steckbrief_laden> dialog(make_profile_load_dialog(nullptr, "Bird", kGroupBird));
    dialog->show();
    // Tabbing into the list marks its first entry without selecting it: still
    // no choice.
    QApplication::setActiveWindow(dialog.get());
    dialog->findChild<QListWidget*>(kLoadListLabel)->setFocus(Qt::TabFocusReason);
    dialog->findChild<QPushButton*>("OK")->click();
    ASSERT_EQ(messages().texts(), std::vector<std::string>{kNoSelectionMessage});
    EXPECT_EQ(messages().messages()[0].kind, RecordingNotifier::Kind::YesNo);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->shownEditor(), nullptr);
    // An entry without "/" counts as no selection.
    dialog->setEntries({"not an entry"});
    dialog->findChild<QListWidget*>(kLoadListLabel)->setCurrentRow(0);
    dialog->findChild<QPushButton*>("OK")->click();
    EXPECT_EQ(messages().texts().size(), 2u);
    EXPECT_EQ(dialog->shownEditor(), nullptr);
}

TEST_F(LoadDialogTest, AStoredBirdIsShownInTheBirdEditorInViewMode) {
    SpeciesRecord bird;
    bird.group = kGroupBird;
    bird.name = "Lapwing";
    bird.name_latein = "Vanellus vanellus";
    bird.name_editor = "Jan";
    bird.eggs_by_quarter_month[12] = 0.125;  // 1st quarter month April
    bird.eggs_by_quarter_month[13] = 0.875;
    bird.probability_succeccful_sub_brood = 0.3;
    bird.last_monthquarter_substitut_brood = 20;
    bird.critical_reproduction_period = 4;
    bird.reproduction_period = 0;
    bird.dispersal_capability = 2.5;
    bird.vegetation_requirement_short = 1;
    bird.soil_moisture_requir_wet = 0.5;
    bird.praedation = 0.5;
    bird.WES = 0.333;
    {
        auto db = connect();
        save_species(*db, bird);
    }
    auto dialog = std::make_unique<steckbrief_laden>();
    {
        auto db = connect();
        dialog->setEntries(list_species_by_group(*db, kGroupBird));
    }
    dialog->show();
    steckbrief_vogel_neu* editor = show(dialog.get(), "Vanellus vanellus/Lapwing, ");
    ASSERT_NE(editor, nullptr);
    testing::EditorDriver<steckbrief_vogel_neu> ed(editor);
    EXPECT_EQ(dialog->chosenName(), "Lapwing");
    EXPECT_EQ(dialog->chosenSavetime(), schema().scalar("SELECT savetime FROM species WHERE name = 'Lapwing'"));
    EXPECT_FALSE(dialog->isVisible());  // the load dialog has closed

    const struct {
        const char* input;
        const char* shown;
    } shown[] = {
        {"Dutch Name", "Lapwing"},
        {"Latin Name", "Vanellus vanellus"},
        {"Data was entered by", "Jan"},
        {"1st quarter month April", "12.5"},
        {"2nd quarter month April", "87.5"},
        {"1st quarter month March", "0.0"},
        {kSubBroodLabel, "30.0"},
        {"Total reproduction period/Number of QMs", ""},
        {"Critical reproduction period/Number of QMs", "4"},
        {"Radius in km", "2.5"},
        {"short grass (< 10 cm)", "1.0"},
        {"wet", "0.5"},
        {"Predation", "0.50"},
        {"WES", "0.33"},
        {"WOLA", "0.00"},
    };
    for (const auto& s : shown) EXPECT_EQ(ed.text(s.input), s.shown) << s.input;
    EXPECT_EQ(editor->windowTitle(), "Lapwing");
    EXPECT_EQ(ed.get<QListWidget>(kSubBroodListLabel)->currentRow(), 20 - 9);
    EXPECT_TRUE(ed.get<QPushButton>("Edit record")->isVisible());
    EXPECT_TRUE(ed.get<QPushButton>("Record ok")->isVisible());
    EXPECT_FALSE(ed.get<QPushButton>("Save")->isVisible());
    EXPECT_FALSE(ed.get<QPushButton>("Cancel")->isVisible());

    // "Record ok" closes without storing.
    ed.click("Record ok");
    EXPECT_FALSE(ed.open());
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM species WHERE name = 'Lapwing'"), "1");
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(LoadDialogTest, EditRecordSavesANewVersionThatKeepsWhatTheBirdEditorCannotShow) {
    // A butterfly with a second generation, eggs after August, an overlap
    // share, a trampling class and two grassland types.
    std::unique_ptr<steckbrief_laden> dialog(make_profile_load_dialog(nullptr, "Butterfly", kGroupButterfly));
    dialog->show();
    steckbrief_vogel_neu* editor = show(dialog.get(), "Lycaena dispar/Grote vuurvlinder, ");
    ASSERT_NE(editor, nullptr);
    testing::EditorDriver<steckbrief_vogel_neu> ed(editor);
    const std::string columns =
        "`group`, name_latein, grasslandtyp_nr, second_generation_start, second_generation_end, "
        "trampling_mortality_typ, percent_for_overlap, WKLA, dispersal_capability";
    const auto before = schema().rows("SELECT " + columns + " FROM species WHERE name = 'Grote vuurvlinder'");
    ASSERT_EQ(before.size(), 1u);

    ed.click("Edit record");
    EXPECT_TRUE(ed.get<QPushButton>("Save")->isVisible());
    EXPECT_TRUE(ed.get<QPushButton>("Cancel")->isVisible());
    EXPECT_FALSE(ed.get<QPushButton>("Edit record")->isVisible());
    EXPECT_FALSE(ed.get<QPushButton>("Record ok")->isVisible());
    ed.type("Radius in km", "4.5");
    ed.click("Save");
    EXPECT_EQ(messages().texts(), std::vector<std::string>{kBirdConfirmation});
    EXPECT_FALSE(ed.open());

    const auto after = schema().rows("SELECT " + columns + ", speciesID FROM species WHERE name = "
                                     "'Grote vuurvlinder' ORDER BY speciesID");
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(after[0].begin(), after[0].end() - 1), before[0]);
    auto expected = before[0];
    expected.back() = "4.5";  // the one input changed
    EXPECT_EQ(std::vector<std::string>(after[1].begin(), after[1].end() - 1), expected);
    EXPECT_EQ(after[1][0], "Schmetterling");
    EXPECT_EQ(after[1][3], "29");
    EXPECT_EQ(after[1][4], "36");
    const std::string id = after[1].back();
    EXPECT_EQ(schema().rows("SELECT grasslandID FROM species_grassland WHERE speciesID = " + id),
              (std::vector<std::vector<std::string>>{{"4"}, {"5"}}));
    // Eggs in quarter months 32 and 33, which the bird editor has no input for.
    const auto eggs = schema().rows("SELECT MV22, MV23, MV31, MV32, MV33 FROM quarter_month_eggs WHERE speciesID = " + id);
    ASSERT_EQ(eggs.size(), 1u);
    const double expectedEggs[] = {0.2, 0.25, 0.2, 0.25, 0.1};
    for (int i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(std::stod(eggs[0][i]), expectedEggs[i]) << i;
}

TEST_F(LoadDialogTest, ShowsItsCaptionsAndTheEntriesInListOrder) {
    steckbrief_laden dialog;
    EXPECT_EQ(dialog.windowTitle(), "Load characteristics");
    for (const char* caption : {"Please specify the species whose characteristics you want to load.",
                                "The identifier is made up of:", "- name of the species", "- time of saving",
                                "- name of the person who entered the data"})
        EXPECT_TRUE(testing::shows_label(&dialog, caption)) << caption;
    for (const char* button : {"OK", "Cancel"}) {
        auto* b = dialog.findChild<QPushButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        EXPECT_EQ(b->text(), button);
    }
    const std::vector<std::string> unsorted{"Z/Zeta, 2010-01-02 00:00:00, a", "A/Alpha, 2010-01-01 00:00:00, b"};
    dialog.setEntries(unsorted);
    EXPECT_EQ(testing::entries(dialog.findChild<QListWidget*>(kLoadListLabel)), unsorted);
}

TEST_F(LoadDialogTest, ShownNumbersAreRoundedAsPrintfRoundsThem) {
    // Values exactly half-way between two shown digits go to the even one.
    SpeciesRecord bird;
    bird.group = kGroupBird;
    bird.name = "Roundings";
    bird.eggs_by_quarter_month[8] = 0.0025;  // shown as 0.25 %, exactly half-way
    bird.probability_succeccful_sub_brood = 0.5;
    bird.dispersal_capability = 0.25;
    bird.vegetation_requirement_tall = 12.25;
    bird.vegetation_requirement_medium = 0.35;
    bird.soil_moisture_requir_dry = -0.05;
    bird.praedation = 0.125;
    bird.WES = 0.375;
    bird.WKLA = 2.675;
    bird.reproduction_period = -3;
    {
        auto db = connect();
        save_species(*db, bird);
    }
    auto dialog = std::make_unique<steckbrief_laden>();
    dialog->setEntries({" /Roundings, " + schema().scalar("SELECT savetime FROM species WHERE name = 'Roundings'") + ", x"});
    dialog->show();
    steckbrief_vogel_neu* editor = show(dialog.get(), " /Roundings");
    ASSERT_NE(editor, nullptr);
    testing::EditorDriver<steckbrief_vogel_neu> ed(editor);
    const struct {
        const char* input;
        const char* shown;
    } shown[] = {
        {"1st quarter month March", "0.2"},
        {kSubBroodLabel, "50.0"},
        {"Radius in km", "0.2"},
        {"tall-growing (> 30 cm)", "12.2"},
        {"medium height (10 to 30 cm)", "0.3"},  // 0.35 is just below 0.35
        {"dry", "-0.1"},
        {"Predation", "0.12"},
        {"WES", "0.38"},
        {"WKLA", "2.67"},
        {"Total reproduction period/Number of QMs", "-3"},
    };
    for (const auto& s : shown) EXPECT_EQ(ed.text(s.input), s.shown) << s.input;
}

TEST_F(LoadDialogTest, EditRecordGivesTheEditorWindowTheFocus) {
    std::unique_ptr<steckbrief_laden> dialog(make_profile_load_dialog(nullptr, "Bird", kGroupBird));
    dialog->show();
    steckbrief_vogel_neu* editor = show(dialog.get(), "Vanellus vanellus/Kievit, ");
    ASSERT_NE(editor, nullptr);
    testing::EditorDriver<steckbrief_vogel_neu> ed(editor);
    ed.focus("Edit record");
    ed.click("Edit record");
    EXPECT_EQ(QApplication::focusWidget(), editor);
    EXPECT_TRUE(messages().messages().empty());
    EXPECT_TRUE(ed.open());
}

TEST_F(LoadDialogTest, AVersionThatIsNotThereShowsTheEmptyValues) {
    std::unique_ptr<steckbrief_laden> dialog(make_profile_load_dialog(nullptr, "Bird", kGroupBird));
    dialog->setEntries({"X/Nobody, 1999-01-01 00:00:00, x"});
    dialog->show();
    steckbrief_vogel_neu* editor = show(dialog.get(), "X/Nobody");
    ASSERT_NE(editor, nullptr);
    testing::EditorDriver<steckbrief_vogel_neu> ed(editor);
    EXPECT_EQ(ed.text("Dutch Name"), " ");
    EXPECT_EQ(ed.text("Predation"), "1.00");
    EXPECT_EQ(ed.text("Critical reproduction period/Number of QMs"), "");
    EXPECT_EQ(ed.get<QListWidget>(kSubBroodListLabel)->currentRow(), -1);
    // Made from nothing, a new version is a bird.
    ed.click("Edit record");
    ed.type("WES", "1");
    ed.type("1st quarter month March", "100");
    ed.click("Save");
    EXPECT_EQ(schema().scalar("SELECT `group` FROM species WHERE name = ' '"), "bird");
}

}  // namespace
}  // namespace pravel

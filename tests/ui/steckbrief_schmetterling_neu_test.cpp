// The butterfly profile editor offscreen on the demo grassland types: the
// grassland picker, the save sequence and the rows a butterfly is stored as.
#include "ui/steckbrief_schmetterling_neu.h"

#include <gtest/gtest.h>

#include "support/demo_schema.h"
#include "ui/editor_driver.h"

namespace pravel {
namespace {


class ButterflyEditorTest : public testing::EditorTest<steckbrief_schmetterling_neu> {
protected:
    void prepareDatabase() override { testing::load_demo_database(schema()); }
    QListWidget* offered() { return ed_->get<QListWidget>(kGrasslandChoiceLabel); }
    QListWidget* chosen() { return ed_->get<QListWidget>(kGrasslandChosenLabel); }
    // Picks the offered grassland type whose entry starts with `name`.
    void pick(const QString& name) {
        const auto found = offered()->findItems(name + "/", Qt::MatchStartsWith);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        emit offered()->itemClicked(found.front());
    }
    std::vector<std::string> chosenTexts() {
        std::vector<std::string> out;
        for (int i = 0; i < chosen()->count(); ++i) out.push_back(chosen()->item(i)->text().toStdString());
        return out;
    }
    const std::vector<int>& chosenIds() { return ed_->window()->record().grassland_ids; }
};

TEST_F(ButterflyEditorTest, OffersEveryGrasslandTypeAlphabeticallyAndKeepsTheChoiceInStep) {
    std::vector<std::string> entries;
    for (int i = 0; i < offered()->count(); ++i) entries.push_back(offered()->item(i)->text().toStdString());
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_EQ(entries[0].rfind("Alluvial meadow/starkwüchsig, 2026-03-0", 0), 0u) << entries[0];
    EXPECT_EQ(entries[0].substr(entries[0].size() - 11), ", Demo data");
    EXPECT_EQ(entries[4].rfind("Molinia meadow/schwachwüchsig, ", 0), 0u) << entries[4];

    // Two chosen, the first removed: the second is left in the list and in
    // the identifiers.
    pick("Molinia meadow");
    pick("Alluvial meadow");
    EXPECT_EQ(chosenIds(), (std::vector<int>{2, 4}));
    emit chosen()->itemDoubleClicked(chosen()->item(0));
    ASSERT_EQ(chosen()->count(), 1);
    EXPECT_EQ(chosen()->item(0)->text(), offered()->item(0)->text());
    EXPECT_EQ(chosenIds(), std::vector<int>{4});
    // The same type chosen twice counts twice; removing the second entry
    // leaves the first.
    pick("Wet dock stands");
    pick("Wet dock stands");
    emit chosen()->itemDoubleClicked(chosen()->item(2));
    EXPECT_EQ(chosenIds(), (std::vector<int>{4, 5}));
    EXPECT_EQ(chosenTexts().size(), 2u);
    EXPECT_EQ(ed_->window()->record().grassland_records.size(), 2u);
}

TEST_F(ButterflyEditorTest, SaveRefusesStepByStepThenStoresTheButterflyWithItsGrasslandLinks) {
    const struct {
        const char* message;
        const char* focus;
    } refusals[] = {
        {kSpeciesNameMissing, "Dutch Name"},
        {kEggSumWrong, "1st quarter month May"},
        {kButterflyEditorMissing, "Data was entered by"},
        {kButterflyEditorMissing, "Data was entered by"},
        {kButterflyEditorMissing, "Data was entered by"},
        {kGrasslandMissing, nullptr},
    };
    // What gets past each refusal, in turn.
    const std::function<void()> fixes[] = {
        [&] { ed_->type("Dutch Name", "Large copper"); },
        [&] {
            ed_->type("1st quarter month May", "50");
            ed_->type("2nd quarter month October", "50");
        },
        [&] { ed_->type("Data was entered by", ""); },
        [&] { ed_->type("Data was entered by", "Geben Sie bitte Ihren Namen ein!"); },
        [&] { ed_->type("Data was entered by", "Tester"); },
        [&] {
            pick("Wet dock stands");
            pick("Lowland hay meadow");
            pick("Molinia meadow");
        },
    };
    EXPECT_EQ(ed_->text("Data was entered by"), kButterflyEditorInitial);
    for (std::size_t i = 0; i < std::size(refusals); ++i) {
        SCOPED_TRACE(refusals[i].message);
        EXPECT_EQ(save(), std::vector<std::string>{refusals[i].message});
        if (refusals[i].focus) {
            EXPECT_EQ(ed_->focused(), ed_->field(refusals[i].focus));
        }
        fixes[i]();
    }
    // A second generation from the 1st quarter month July to the 3rd of August.
    QListWidget* start = ed_->get<QListWidget>(kSecondGenerationStartLabel);
    QListWidget* end = ed_->get<QListWidget>(kSecondGenerationEndLabel);
    ASSERT_EQ(start->count(), 26);
    EXPECT_EQ(start->item(0)->text(), "1st quarter month April");
    EXPECT_EQ(end->item(25)->text(), "2nd quarter month October");
    start->setCurrentRow(25 - 13);
    end->setCurrentRow(31 - 13);
    ed_->type("Latin Name", "Lycaena dispar");
    ed_->type(kSecondGenerationCountLabel, "2");

    messages().set_default_answer(false);
    EXPECT_EQ(save(), std::vector<std::string>{kButterflyConfirmation});
    EXPECT_TRUE(ed_->open());
    EXPECT_EQ(schema().count("species"), 14);
    EXPECT_EQ(ed_->window()->record().second_generation_count, 2);

    messages().set_default_answer(true);
    EXPECT_EQ(save(), std::vector<std::string>{kButterflyConfirmation});
    EXPECT_FALSE(ed_->open());
    const auto rows = schema().rows(
        "SELECT speciesID, `group`, name_latein, second_generation_start, second_generation_end, name_editor, WES "
        "FROM species WHERE name = 'Large copper'");
    ASSERT_EQ(rows.size(), 1u);
    const std::string id = rows[0][0];
    EXPECT_EQ(rows[0][1], "Schmetterling");
    EXPECT_EQ(rows[0][2], "Lycaena dispar");
    EXPECT_EQ(rows[0][3], "25");
    EXPECT_EQ(rows[0][4], "31");
    EXPECT_EQ(rows[0][5], "Tester");
    EXPECT_EQ(std::stod(rows[0][6]), 0.0);
    EXPECT_EQ(schema().rows("SELECT grasslandID FROM species_grassland WHERE speciesID = " + id),
              (std::vector<std::vector<std::string>>{{"5"}, {"1"}, {"2"}}));
    const auto eggs = schema().rows("SELECT * FROM quarter_month_eggs WHERE speciesID = " + id);
    ASSERT_EQ(eggs.size(), 1u);
    for (int k = 1; k <= QUARTER_MONTHS; ++k)
        EXPECT_DOUBLE_EQ(std::stod(eggs[0][k]), (k == 17 || k == 38) ? 0.5 : 0.0) << k;
    EXPECT_EQ(schema().count("quarter_month_predation"), 15);
}

TEST_F(ButterflyEditorTest, ShowsEveryInputWithItsLabelGroupCaptionAndInitialText) {
    QWidget* w = ed_->window();
    EXPECT_EQ(w->windowTitle(), "Characteristics of a new butterfly species");
    auto inputs = testing::shared_species_inputs();
    const auto eggs = testing::egg_inputs(17, 38);
    inputs.insert(inputs.end(), eggs.begin(), eggs.end());
    inputs.insert(inputs.end(), {
        {"", "Number for 2nd generation, if applicable", "Number for 2nd generation, if applicable", ""},
        {"", "Data was entered by", "Data was entered by", "Please enter your name!"},
    });
    testing::expect_inputs(w, inputs);
    testing::expect_captions(w, {
        {"Egg deposition", "Probability of egg deposition for each quarter month in %. The sum must be exactly 100%"},
        {"Vegetation stratification", "Values lie between 0 and 1 with the following division:"},
        {"Vegetation stratification", "0    = unsuitable  0.5 = suitable      1    = preferred"},
        {"Soil moisture", "0    = unsuitable  0.5 = suitable      1    = preferred"},
    });
    testing::expect_nesting(w, {{"Critical reproduction period", "Reproduction period"},
                                {"Total reproduction period", "Reproduction period"}});
    // No spatial elements, predation or substitute brood.
    for (const char* absent : {"WES", "WKLA", "WOLA", "Predation", "Probability of a substitute brood in %"})
        EXPECT_EQ(w->findChild<QLineEdit*>(absent), nullptr) << absent;
    EXPECT_EQ(testing::group_titled(w, "Spatial  elements"), nullptr);

    for (const char* label :
         {"If the butterfly species has two generations per year, please specify start and end of the second period "
          "of egg deposition",
          "Start", "End", "Please select suitable grassland types for this species",
          "List of selected grassland types"})
        EXPECT_TRUE(testing::shows_label(w, label)) << label;
    for (const char* list : {"Start", "End"}) {
        auto* l = ed_->get<QListWidget>(list);
        EXPECT_EQ(testing::entries(l), testing::quarter_month_texts(13, 38)) << list;
        EXPECT_TRUE(l->selectedItems().isEmpty()) << list;
    }
    EXPECT_EQ(chosen()->count(), 0);
    for (const char* hidden : {"Edit record", "Record ok"}) EXPECT_FALSE(ed_->get<QPushButton>(hidden)->isVisible());
    testing::expect_editor_colours(w);
}

TEST_F(ButterflyEditorTest, GrasslandTypesAreListedAlphabeticallyWhateverTheirCase) {
    const auto type = [](const char* name, bool low, int id) {
        GrasslandRecord g;
        g.name_engl = name;
        g.low_productivity = low;
        g.grasslandID = id;
        g.savetime = "2010-05-03 11:02:17";
        g.name_editor = "Jan";
        return g;
    };
    ed_->window()->setGrasslands({type("wet meadow", false, 1), type("Meadow", true, 2), type("bog", true, 3),
                                  type("Alpine pasture", false, 4)});
    EXPECT_EQ(testing::entries(offered()),
              (std::vector<std::string>{"Alpine pasture/starkwüchsig, 2010-05-03 11:02:17, Jan",
                                        "bog/schwachwüchsig, 2010-05-03 11:02:17, Jan",
                                        "Meadow/schwachwüchsig, 2010-05-03 11:02:17, Jan",
                                        "wet meadow/starkwüchsig, 2010-05-03 11:02:17, Jan"}));
    pick("bog");
    pick("wet meadow");
    EXPECT_EQ(chosenIds(), (std::vector<int>{3, 1}));
}

TEST_F(ButterflyEditorTest, ChoosingAGenerationEntryStoresItsQuarterMonthAtOnce) {
    QListWidget* start = ed_->get<QListWidget>(kSecondGenerationStartLabel);
    start->setCurrentRow(3);
    emit start->itemDoubleClicked(start->item(3));
    EXPECT_EQ(ed_->window()->record().second_generation_start, 16);
    EXPECT_EQ(ed_->window()->record().second_generation_end, 0);
}

}  // namespace
}  // namespace pravel

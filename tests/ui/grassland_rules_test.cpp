// The grassland editors' rules without a window: the checks of "Save", the
// measure selection rule, the list entries and the load list.
#include <gtest/gtest.h>

#include "ui/grassland_form.h"
#include "ui/grassland_measure_choice.h"

namespace pravel {
namespace {

GrasslandFormInput valid_input() {
    GrasslandFormInput in;
    in.code = "6510";
    in.dutch_name = "Glatthaferwiese";
    in.latin_name = "Arrhenatherion";
    in.editor = "Anna";
    in.wet = "0.5";
    in.fresh = "1";
    in.dry = "0";
    in.has_measures = true;
    return in;
}

TEST(GrasslandFormTest, SaveChecksRunInOrderAndOnlyNameEditorAndMeasuresStop) {
    const GrasslandFormRules grassland;
    const GrasslandFormRules habitat{kHabitatNameMessage, false};
    struct Row {
        const char* what;
        std::function<void(GrasslandFormInput&)> change;
        const GrasslandFormRules* rules;
        std::vector<std::string> messages;
        bool stopped;
        FormFocus focus;
    };
    const std::vector<Row> rows = {
        {"valid", [](GrasslandFormInput&) {}, &grassland, {}, false, FormFocus::None},
        {"wet above 1", [](GrasslandFormInput& i) { i.wet = "1.5"; }, &grassland, {kMoistureRangeMessage}, false,
         FormFocus::None},
        {"fresh with a letter", [](GrasslandFormInput& i) { i.fresh = "0.5x"; }, &grassland,
         {kMoistureNumberMessage}, false, FormFocus::None},
        {"code with letters", [](GrasslandFormInput& i) { i.code = "65a"; }, &grassland, {kHabitatCodeMessage}, false,
         FormFocus::None},
        {"no Dutch name",
         [](GrasslandFormInput& i) {
             i.dutch_name.clear();
             i.dry = "2";
         },
         &grassland, {kMoistureRangeMessage, kGrasslandNameMessage}, true, FormFocus::DutchName},
        {"no habitat name", [](GrasslandFormInput& i) { i.dutch_name.clear(); }, &habitat, {kHabitatNameMessage}, true,
         FormFocus::DutchName},
        {"initial editor text", [](GrasslandFormInput& i) { i.editor = kEditorInitialText; }, &grassland,
         {kEditorNameMessage}, true, FormFocus::Editor},
        {"German editor text", [](GrasslandFormInput& i) { i.editor = kEditorInitialTextGerman; }, &grassland,
         {kEditorNameMessage}, true, FormFocus::Editor},
        {"empty editor", [](GrasslandFormInput& i) { i.editor.clear(); }, &grassland, {kEditorNameMessage}, true,
         FormFocus::Editor},
        {"no measures", [](GrasslandFormInput& i) { i.has_measures = false; }, &grassland, {kSelectMeasuresMessage},
         true, FormFocus::None},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        GrasslandFormInput in = valid_input();
        row.change(in);
        const GrasslandFormCheck c = check_grassland_form(in, *row.rules);
        EXPECT_EQ(c.messages, row.messages);
        EXPECT_EQ(c.stopped, row.stopped);
        EXPECT_EQ(c.focus, row.focus);
    }
}

TEST(GrasslandFormTest, MessagesAndFixedTextsAreTheEditorsOwnToTheLetter) {
    // Written from the description of the editors; the other tests use the
    // named texts.
    const std::pair<const char*, const char*> texts[] = {
        {kMoistureNumberMessage, "You have to enter a number for the moisture levels please!"},
        {kMoistureRangeMessage, "Moisture cannot be greater than 1!\n\n Please revise your input!"},
        {kHabitatCodeMessage, "You have to enter a number for the habitat please!"},
        {kGrasslandNameMessage, "Please enter the name of the grassland type!\n\n Please revise your input!"},
        {kHabitatNameMessage, "Please enter the name of the habitat type!\n\n Please revise your input!"},
        {kEditorNameMessage, "Please enter your name!\n\n Please revise your input!"},
        {kSelectMeasuresMessage, "Please select measures!\n\n Please revise your input!"},
        {kGrasslandConfirmMessage,
         "Please check your input again.\n\nIf you press OK the grassland type will be stored in the "
         "database.\n\nIf you want to revise the data please press Cancel."},
        {kHabitatConfirmMessage,
         "Please check your input again.\n\nIf you press OK the habitat type will be stored in the "
         "database.\n\nIf you want to revise the data please press Cancel."},
        {kMakeSelectionMessage, "Please make a selection first!"},
        {kEditorInitialText, "Please enter your name!"},
        {kEditorInitialTextGerman, "Geben Sie bitte Ihren Namen ein!"},
        {kMissingLatinName, "nicht_vorhanden"},
    };
    for (const auto& [named, literal] : texts) EXPECT_STREQ(named, literal);
}

TEST(GrasslandFormTest, LoadEntriesAreParsedBackIntoNameSaveTimeAndProductivity) {
    GrasslandRecord g;
    g.name_engl = "Lowland hay meadow";
    g.savetime = "2026-12-08 16:28:07.123456";
    g.name_editor = "Anna Smit";
    g.low_productivity = true;
    const std::string low_entry = grassland_load_entry(g);
    EXPECT_EQ(low_entry, "Lowland hay meadow/schwachwüchsig, 2026-12-08 16:28:07.123456, Anna Smit");

    const struct {
        std::string entry;
        std::string name, savetime;
        bool low;
    } rows[] = {
        {low_entry, "Lowland hay meadow", "2026-12-08 16:28:07.123456", true},
        {" \tMolinia meadow/starkwüchsig,  2010-05-03 11:02:17, Piet", "Molinia meadow", "2010-05-03 11:02:17", false},
        // The save time ends at a letter t as well as at a comma.
        {"Wet meadow/starkwüchsig, 2010-05-03 11:02:17t, x", "Wet meadow", "2010-05-03 11:02:17", false},
        // No "/" or no comma: nothing is chosen, nothing is read past the end.
        {"Meadow without a slash, 2010-05-03, Piet", "", "", false},
        {"Meadow/schwachwüchsig", "", "", false},
        {"", "", "", false},
        {"Meadow/schwachwüchsig,", "Meadow", "", true},
        // Only blanks are skipped before the save time; a tab belongs to it.
        {"Meadow/starkwüchsig,\t2010-05-03, Piet", "Meadow", "\t2010-05-03", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.entry);
        const GrasslandEntryChoice c = parse_grassland_load_entry(row.entry);
        EXPECT_EQ(c.name, row.name);
        EXPECT_EQ(c.savetime, row.savetime);
        EXPECT_EQ(c.low_productivity, row.low);
    }
}

TEST(GrasslandFormTest, TheLoadListLeavesOutTheRemainingGrasslandTypesOnly) {
    std::vector<GrasslandRecord> records(5);
    const char* names[] = {"Uebriges Gruenland", "Hay meadow", "Uebriges Gruenland2", "Uebriges Gruenland3",
                           "uebriges gruenland"};
    for (int i = 0; i < 5; ++i) {
        records[i].name_engl = names[i];
        records[i].savetime = "2026-01-01 00:00:0" + std::to_string(i);
        records[i].name_editor = "E";
    }
    const auto entries = grassland_load_entries(records);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], "Hay meadow/starkwüchsig, 2026-01-01 00:00:01, E");
    EXPECT_EQ(entries[1].rfind("Uebriges Gruenland3/", 0), 0u);
    EXPECT_EQ(entries[2].rfind("uebriges gruenland/", 0), 0u);
}

MeasureRecord variant(int id, int livestock, double density, bool fertilised) {
    MeasureRecord m;
    m.measureID = id;
    m.name = "grazing";
    m.month_quarter_first_use = 16;
    m.distance_2use = 6;
    m.livestockID_1 = livestock;
    m.livestock_density_1 = density;
    m.fertilization = fertilised;
    return m;
}

TEST(GrasslandMeasureChoiceTest, EntriesShowDensityOnlyWhenFixedAndTheFertilisation) {
    MeasureRecord m = variant(1, 1, 1.4, true);
    EXPECT_EQ(grassland_measure_entry(m), "grazing, 16/6,1.4 (GV), 1 (F)");
    m.livestock_density_1 = 99;
    EXPECT_EQ(grassland_measure_entry(m), "grazing, 16/6,1 (F)");
    m.livestock_density_1 = 0;
    m.fertilization = false;
    EXPECT_EQ(grassland_measure_entry(m), "grazing, 16/6,0 (F)");
    EXPECT_EQ(grassland_density_entry(1.4), "1.40");
    EXPECT_EQ(grassland_density_entry(99), "depending on the grassland");
}

TEST(GrasslandMeasureChoiceTest, WhatTheVariantsLeaveOpenIsOfferedAndTheRestCountsAsChosen) {
    GrasslandMeasureChoice c;
    // One fertilisation value and no livestock: everything is chosen but the
    // soil.
    EXPECT_FALSE(c.start({variant(1, 0, 0, false), variant(2, 0, 0, false)}).has_value());
    EXPECT_TRUE(c.fertilizationFixed());
    EXPECT_EQ(c.fertilization(), false);
    EXPECT_FALSE(c.withLivestock());
    EXPECT_TRUE(c.measureComplete());
    const auto added = c.chooseSoil(true);
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(added->measure.measureID, 1);
    EXPECT_TRUE(added->low_productivity);

    // A later choice of either option adds the measure once more.
    EXPECT_TRUE(c.chooseSoil(false).has_value());
    // A fixed fertilisation cannot be chosen.
    EXPECT_FALSE(c.chooseFertilization(true).has_value());

    // A soil chosen before the measure: the completing distance adds it.
    const auto at_once = c.start({variant(7, 0, 0, true)});
    ASSERT_TRUE(at_once.has_value());
    EXPECT_EQ(at_once->measure.measureID, 7);
    EXPECT_FALSE(at_once->low_productivity);
}

TEST(GrasslandMeasureChoiceTest, GrazingNeedsLivestockDensityAndFertilisationWhicheverComesLast) {
    const std::vector<MeasureRecord> variants = {variant(10, 1, 1.4, true), variant(11, 1, 2.0, true),
                                                 variant(12, 2, 1.4, false), variant(13, 1, 1.4, false)};
    const VariantOffer offer = offer_of(variants);
    EXPECT_EQ(offer.livestock_ids, (std::vector<int>{1, 2}));
    EXPECT_EQ(offer.densities, (std::vector<double>{1.4, 2.0}));
    EXPECT_EQ(offer.fertilization, (std::vector<bool>{true, false}));

    GrasslandMeasureChoice c;
    EXPECT_FALSE(c.start(variants).has_value());
    EXPECT_TRUE(c.withLivestock());
    EXPECT_FALSE(c.fertilizationFixed());
    EXPECT_FALSE(c.chooseSoil(false).has_value());
    EXPECT_FALSE(c.chooseLivestock(1).has_value());
    EXPECT_FALSE(c.chooseFertilization(false).has_value());
    const auto added = c.chooseDensity(1.4);
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(added->measure.measureID, 13);
    const auto again = c.chooseFertilization(true);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->measure.measureID, 10);

    // A combination the catalogue lacks adds nothing.
    EXPECT_FALSE(c.chooseLivestock(2).has_value());

    // A new distance forgets livestock, density and fertilisation; the soil
    // stays chosen.
    EXPECT_FALSE(c.start(variants).has_value());
    EXPECT_FALSE(c.fertilization().has_value());
    EXPECT_FALSE(c.livestock().has_value());
    EXPECT_EQ(c.lowProductivity(), false);
}

TEST(GrasslandMeasureChoiceTest, DensityDependingOnTheGrasslandCountsAsChosen) {
    GrasslandMeasureChoice c;
    c.start({variant(20, 1, 99, false), variant(21, 1, 1.0, false)});
    EXPECT_EQ(c.density(), 99.0);
    EXPECT_FALSE(c.chooseSoil(true).has_value());
    const auto added = c.chooseLivestock(1);
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(added->measure.measureID, 20);

    c.forget();
    EXPECT_FALSE(c.measureComplete());
    EXPECT_FALSE(c.chooseSoil(true).has_value());
}

}  // namespace
}  // namespace pravel

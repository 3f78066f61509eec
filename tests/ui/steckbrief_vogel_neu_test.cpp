// The bird profile editor offscreen: its save sequence from empty inputs to
// the stored rows, the egg shares it accepts, the leave-field checks, the
// Enter key and leaving towards Cancel.
#include "ui/steckbrief_vogel_neu.h"

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>

#include "ui/editor_driver.h"

namespace pravel {
namespace {

using Kind = RecordingNotifier::Kind;

constexpr const char* kFirstEgg = "1st quarter month March";

class BirdEditorTest : public testing::EditorTest<steckbrief_vogel_neu> {
protected:
    // Everything a save needs but the egg shares.
    void fillAllButEggs() {
        ed_->type("WES", "0.5");
        ed_->type("Dutch Name", "Lapwing");
        ed_->type("Data was entered by", "Tester");
    }
    void setEggs(const std::vector<QString>& percents) {
        for (int qm = kBirdFirstQuarterMonth; qm <= kBirdLastQuarterMonth; ++qm) {
            const std::size_t i = qm - kBirdFirstQuarterMonth;
            ed_->type(editor_quarter_month_text(qm).c_str(), i < percents.size() ? percents[i] : "0");
        }
    }
};

TEST_F(BirdEditorTest, SaveRefusesStepByStepThenStoresTheBirdWithBothQuarterMonthRows) {
    const struct {
        const char* message;
        const char* focus;     // the input that gets the focus back
        const char* input;     // what gets past the refusal
        const char* value;
    } steps[] = {
        {kSpatialMissing, "WES", "WOLA", "0.0001"},
        {kSpeciesNameMissing, "Dutch Name", "Dutch Name", " "},  // a blank name passes
        {kSubBroodMonthMissing, kSubBroodListLabel, nullptr, nullptr},
        {kEggSumWrong, kFirstEgg, "2nd quarter month March", "100"},
        {kBirdEditorMissing, "Data was entered by", "Data was entered by", ""},
        {kBirdEditorMissing, "Data was entered by", "Data was entered by", "Tester"},
    };
    ed_->type("WES", "0");
    ed_->type(kSubBroodLabel, "5");
    for (const auto& step : steps) {
        SCOPED_TRACE(step.message);
        EXPECT_EQ(save(), std::vector<std::string>{step.message});
        EXPECT_EQ(ed_->focused(), ed_->window()->findChild<QWidget*>(step.focus));
        if (step.input)
            ed_->type(step.input, step.value);
        else
            ed_->choose(kSubBroodListLabel, 2);  // 3rd quarter month March
    }
    // An empty name is refused where a blank one passed.
    ed_->type("Dutch Name", "");
    EXPECT_EQ(save(), std::vector<std::string>{kSpeciesNameMissing});
    ed_->type("Dutch Name", " ");

    // The confirmation answered Cancel keeps the window open and stores nothing.
    messages().set_default_answer(false);
    EXPECT_EQ(save(), std::vector<std::string>{kBirdConfirmation});
    EXPECT_EQ(messages().messages()[0].kind, Kind::OkCancel);
    EXPECT_EQ(messages().messages()[0].title, "Check input");
    EXPECT_TRUE(ed_->open());
    EXPECT_EQ(schema().count("species"), 0);

    messages().set_default_answer(true);
    ed_->type("Total reproduction period/Number of QMs", "8x");
    ed_->type("Critical reproduction period/Number of QMs", "3.9");
    ed_->type("Radius in km", "2.5km");
    ed_->type("Predation", "0.25");
    EXPECT_EQ(save(), std::vector<std::string>{kBirdConfirmation});
    EXPECT_FALSE(ed_->open());

    const auto species = schema().rows(
        "SELECT speciesID, `group`, name, WOLA, last_monthquarter_substitut_brood, probability_succeccful_sub_brood, "
        "reproduction_period, critical_reproduction_period, dispersal_capability, praedation, name_editor "
        "FROM species");
    ASSERT_EQ(species.size(), 1u);
    const auto& s = species[0];
    EXPECT_EQ(s[1], "bird");
    EXPECT_EQ(s[2], " ");
    EXPECT_DOUBLE_EQ(std::stod(s[3]), 0.0001);
    EXPECT_EQ(s[4], "11");
    EXPECT_DOUBLE_EQ(std::stod(s[5]), 0.05);
    EXPECT_EQ(s[6], "8");
    EXPECT_EQ(s[7], "3");
    EXPECT_DOUBLE_EQ(std::stod(s[8]), 2.5);
    EXPECT_DOUBLE_EQ(std::stod(s[9]), 0.25);
    EXPECT_EQ(s[10], "Tester");

    const auto eggs = schema().rows("SELECT * FROM quarter_month_eggs");
    ASSERT_EQ(eggs.size(), 1u);
    EXPECT_EQ(eggs[0][0], s[0]);
    for (int k = 1; k <= QUARTER_MONTHS; ++k) EXPECT_DOUBLE_EQ(std::stod(eggs[0][k]), k == 10 ? 1.0 : 0.0) << k;
    const auto predation = schema().rows("SELECT * FROM quarter_month_predation");
    ASSERT_EQ(predation.size(), 1u);
    EXPECT_EQ(predation[0][0], s[0]);
    for (int k = 1; k <= QUARTER_MONTHS; ++k) EXPECT_EQ(std::stod(predation[0][k]), 0.0) << k;
}

TEST_F(BirdEditorTest, EggSharesMakingAWholeWithinRoundingAreAcceptedAndOthersRefused) {
    const struct {
        const char* name;
        std::vector<QString> percents;
        bool accepted;
    } cases[] = {
        {"one of 100", {"100"}, true},
        {"five of 20", {"20", "20", "20", "20", "20"}, true},
        {"four of 25", {"25", "0", "25", "0", "25", "25"}, true},
        {"ten of 10", std::vector<QString>(10, "10"), true},
        {"33.3, 33.3, 33.4", {"33.3", "33.3", "33.4"}, true},
        {"23 of 100/23", std::vector<QString>(23, QString::number(100.0 / 23, 'g', 17)), true},
        {"99.9 in all", {"33.3", "33.3", "33.3"}, false},
        {"100.1 in all", {"50", "50.1"}, false},
        {"none", {}, false},
    };
    fillAllButEggs();
    messages().set_default_answer(false);  // never store
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setEggs(c.percents);
        EXPECT_EQ(save(), std::vector<std::string>{c.accepted ? kBirdConfirmation : kEggSumWrong});
    }
    EXPECT_EQ(schema().count("species"), 0);
}

TEST_F(BirdEditorTest, LeavingAnInputRunsItsCheckAndKeepsTheCheckedValue) {
    // A refused input gets the focus back and keeps its check running each
    // time it is left, so each refusal is followed by a `repair`.
    const struct {
        const char* input;
        const char* text;
        std::vector<std::string> messages;
        double kept;  // the record's value afterwards
        const char* repair;
    } cases[] = {
        {kFirstEgg, "12a", {kNumberMessage}, 0.12, "12"},  // refused, then kept as a number
        {kFirstEgg, "150", {kProbabilityRangeMessage}, 0.12, "12"},  // the value before stays
        {kFirstEgg, "150x", {kNumberMessage, kProbabilityRangeMessage}, 0.12, "12"},
        {kFirstEgg, "(12.5)", {}, 0.0, nullptr},  // brackets pass the character check, the number reads 0
        {kFirstEgg, "25", {}, 0.25, nullptr},
        {kSubBroodLabel, "5x", {}, 0.05, nullptr},  // no character check here
        {kSubBroodLabel, "101", {kProbabilityRangeMessage}, 0.05, "5"},
        {"WKLA", "0.5", {}, 0.5, nullptr},
        {"WKLA", "1.5", {kValueRangeMessage}, 0.5, "0.5"},
        {"WKLA", "a", {kNumberMessage}, 0.0, "0"},
        {"Predation", "abc", {}, 0.0, nullptr},
        {"Predation", "nan", {}, 0.0, nullptr},  // only decimal numbers are read
        {"wet", "inf", {}, 0.0, nullptr},
        {"wet", "0x10", {}, 0.0, nullptr},
        {"wet", "7", {}, 7.0, nullptr},
    };
    const auto kept = [this](const char* input) {
        const SpeciesRecord& r = ed_->window()->record();
        if (std::string(input) == kFirstEgg) return r.eggs_by_quarter_month[8];
        if (std::string(input) == kSubBroodLabel) return r.probability_succeccful_sub_brood;
        if (std::string(input) == "WKLA") return r.WKLA;
        if (std::string(input) == "Predation") return r.praedation;
        return r.soil_moisture_requir_wet;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " <- " + c.text);
        messages().clear();
        ed_->enter(c.input, c.text, "Latin Name");
        EXPECT_EQ(messages().texts(), c.messages);
        EXPECT_DOUBLE_EQ(kept(c.input), c.kept);
        EXPECT_EQ(ed_->focused() == ed_->field(c.input), c.repair != nullptr);
        if (c.repair) {
            ed_->enter(c.input, c.repair, "Latin Name");
            EXPECT_EQ(messages().texts(), c.messages);
            EXPECT_EQ(ed_->focused(), ed_->field("Latin Name"));
        }
    }

    // A refused per-cent value is read as it stands by Save.
    ed_->enter(kFirstEgg, "150", "Latin Name");
    EXPECT_DOUBLE_EQ(ed_->window()->record().eggs_by_quarter_month[8], 0.25);
    save();
    EXPECT_DOUBLE_EQ(ed_->window()->record().eggs_by_quarter_month[8], 1.5);

    // Names go to the record as typed.
    ed_->enter("Latin Name", "Vanellus vanellus", "Dutch Name");
    EXPECT_EQ(ed_->window()->record().name_latein, "Vanellus vanellus");
    EXPECT_EQ(schema().count("species"), 0);
}

TEST_F(BirdEditorTest, EnterMovesOnLikeTabAndNeverSaves) {
    fillAllButEggs();
    setEggs({"100"});
    ed_->focus("Dutch Name");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(ed_->field("Dutch Name"), &press);
    testing::settle();
    EXPECT_EQ(ed_->focused(), ed_->field("Latin Name"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    QApplication::sendEvent(ed_->field("Latin Name"), &enter);
    testing::settle();
    EXPECT_NE(ed_->focused(), ed_->field("Latin Name"));
    EXPECT_TRUE(messages().messages().empty());
    EXPECT_TRUE(ed_->open());
    EXPECT_EQ(schema().count("species"), 0);
}

TEST_F(BirdEditorTest, LeavingAnInputTowardsCancelClosesWithoutChecks) {
    ed_->focus(kFirstEgg);
    ed_->type(kFirstEgg, "150x");
    ed_->focus("Cancel");
    EXPECT_FALSE(ed_->open());
    EXPECT_TRUE(messages().messages().empty());
    EXPECT_EQ(schema().count("species"), 0);
}

TEST_F(BirdEditorTest, ShowsEveryInputWithItsLabelGroupCaptionAndInitialText) {
    QWidget* w = ed_->window();
    EXPECT_EQ(w->windowTitle(), "Characteristics of a new bird species");
    auto inputs = testing::shared_species_inputs();
    const auto eggs = testing::egg_inputs(9, 31);
    inputs.insert(inputs.end(), eggs.begin(), eggs.end());
    inputs.insert(inputs.end(), {
        {"", "Probability of a substitute brood in %", "Probability of a substitute brood in %", "0"},
        {"Spatial  elements", "WES", "WES", "0"},
        {"Spatial  elements", "WKLA", "WKLA", "0"},
        {"Spatial  elements", "WOLA", "WOLA", "0"},
        {"Predation", "", "Predation", "1"},
        {"", "Data was entered by", "Data was entered by", "please insert your name!"},
    });
    testing::expect_inputs(w, inputs);

    testing::expect_captions(w, {
        {"Egg deposition", "Probability of egg deposition for each quarter month in %. The sum must be exactly 100%"},
        {"Vegetation stratification", "Values lie between 0 and 1 with the following division:"},
        {"Vegetation stratification", "0    = unsuitable  0.5 = suitable      1    = preferred"},
        {"Soil moisture", "Values lie between 0 and 1 with the following division:"},
        {"Soil moisture", "0    = unsuitable  0.5 = suitable      1    = preferred"},
        {"Spatial  elements", "Values lie between 0 and 1 with the following division:"},
        {"Spatial  elements", "0    = unsuitable  0.5  = suitable     1.0 = preferred"},
        {"Predation", "Influence of predation. Values lie between 0 and 1 with the following division:"},
        {"Predation", "0 = very high influence     1 = no Influence"},
    });
    testing::expect_nesting(w, {
        {"Critical reproduction period", "Reproduction period"},
        {"Total reproduction period", "Reproduction period"},
        {"Vegetation stratification", "Requirements for habitat suitability dependent on measures"},
        {"Soil moisture", "Requirements for habitat suitability dependent on measures"},
        {"Spatial  elements", "Requirements for habitat suitablility independent of measures"},
        {"Predation", "Requirements for habitat suitablility independent of measures"},
    });

    EXPECT_TRUE(testing::shows_label(w, "Last possible quarter month for a substitute brood, if applicable"));
    auto* list = ed_->get<QListWidget>("Last possible quarter month for a substitute brood, if applicable");
    EXPECT_EQ(testing::entries(list), testing::quarter_month_texts(9, 31));
    EXPECT_TRUE(list->selectedItems().isEmpty());
    testing::expect_editor_colours(w);
}

TEST_F(BirdEditorTest, ChoosingASubstituteBroodEntryStoresItsQuarterMonthAtOnce) {
    const struct {
        int row;
        int quarter_month;
    } cases[] = {{0, 9}, {22, 31}, {6, 15}};
    for (const auto& c : cases) {
        ed_->choose(kSubBroodListLabel, c.row);
        EXPECT_EQ(ed_->window()->record().last_monthquarter_substitut_brood, c.quarter_month) << c.row;
    }
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(BirdEditorTest, TabbingIntoTheSubstituteBroodListChoosesNoQuarterMonth) {
    // The list marks its first entry as current when it takes the focus; that
    // must not pass for a choice of quarter month 9.
    auto* list = ed_->window()->findChild<QListWidget*>(kSubBroodListLabel);
    ASSERT_NE(list, nullptr);
    list->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(list->hasFocus());
    EXPECT_EQ(ed_->window()->record().last_monthquarter_substitut_brood, 0);
    EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST_F(BirdEditorTest, AWindowLowerThanItsLayoutScrollsInHundredthAndTenthSteps) {
    auto* scroll = ed_->window()->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    QScrollBar* bar = scroll->verticalScrollBar();
    for (int height : {300, 200, 450}) {
        SCOPED_TRACE(height);
        ed_->window()->resize(900, height);
        testing::settle();
        const int range = bar->maximum() - bar->minimum();
        ASSERT_GT(range, 100);
        EXPECT_EQ(range, scroll->widget()->height() - scroll->viewport()->height());
        EXPECT_EQ(bar->singleStep(), range / 100);
        EXPECT_EQ(bar->pageStep(), range / 10);
    }
}

TEST_F(BirdEditorTest, CancelClosesAndANewEditorShowsItsInitialTexts) {
    EXPECT_EQ(ed_->window()->windowTitle(), "Characteristics of a new bird species");
    EXPECT_EQ(ed_->text("Dutch Name"), "");
    EXPECT_EQ(ed_->text(kFirstEgg), "0");
    EXPECT_EQ(ed_->text("3rd quarter month August"), "0");
    EXPECT_EQ(ed_->text("Predation"), "1");
    EXPECT_EQ(ed_->text("Data was entered by"), kBirdEditorInitial);
    EXPECT_EQ(ed_->get<QListWidget>(kSubBroodListLabel)->count(), 23);
    EXPECT_FALSE(ed_->get<QPushButton>("Record ok")->isVisible());
    EXPECT_FALSE(ed_->get<QPushButton>("Edit record")->isVisible());
    ed_->click("Cancel");
    EXPECT_FALSE(ed_->open());
    EXPECT_EQ(schema().count("species"), 0);
}

}  // namespace
}  // namespace pravel

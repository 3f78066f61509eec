#pragma once
// The measure-selection cascade without its window: the lists a user walks
// through to narrow the measure catalogue down to one row, what each list
// offers, and the measure that the last choice completes. The Qt widget in
// measure_cascade.h only shows these lists and passes the chosen entries on.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "store/measure_store.h"

namespace pravel {

class DatabaseAccess;

// The fourteen lists, in the order they are filled.
enum CascadeStep : int {
    kStepType = 0,
    kStepFirstUse,
    kStepDistance2,
    kStepDistance3,
    kStepDistance4,
    kStepLivestock1,
    kStepDensity1,
    kStepLivestock2,
    kStepDensity2,
    kStepLivestock3,
    kStepDensity3,
    kStepLivestock4,
    kStepDensity4,
    kStepDensityRes,
};
inline constexpr int kCascadeStepCount = 14;

// The label of a list; the widget also names the list after it.
const std::string& cascade_step_label(int step);

// Livestock list of grazing use 1..4 and its density list.
inline constexpr int livestock_step(int use) { return kStepLivestock1 + 2 * (use - 1); }
inline constexpr int density_step(int use) { return kStepDensity1 + 2 * (use - 1); }

inline constexpr const char* kWithoutLivestockEntry = "measure without livestock";
inline constexpr const char* kDependingOnGrasslandEntry = "depending on the grassland";
// The stored density of grazing that follows the sward.
inline constexpr double kDependingOnGrasslandDensity = 99.0;

// "1st QM April, 13." for quarter month 13: ordinal within the month, " QM ",
// month name, ", ", the number and ".". Quarter months 1..48 have a label;
// any other value is shown as its plain number.
std::string quarter_month_label(int quarter_month);
// The number between the last ", " and the final "." of a label; a text
// without ", " is read as a plain number. Nothing when no number is there.
std::optional<int> quarter_month_from_label(const std::string& label);

// "%.1f", or "depending on the grassland" for 99. A density list keeps the
// catalogue value behind each entry, so a choice matches its rows even where
// one decimal does not show the value in full (0.75 shown as "0.8"); the
// entry "depending on the grassland" stands for 99.
std::string density_entry_text(double density);

// The livestock identifier of an entry: 0 for "measure without livestock",
// otherwise the number before the comma of "ID,livestock_name".
std::optional<int> livestock_id_from_entry(const std::string& text);

// The line under which a chosen measure appears in "List of selected
// measures": measureID, name, first use and the three distances; for a measure
// with livestock the first livestock and its density; for a measure with a
// residual density that density and " (GV), res(GV)".
std::string selected_measure_line(const MeasureRecord& measure);

// The state of one cascade: the entries of every list, which lists are open
// for a choice, the choices made so far and, once nothing is left to choose,
// the completed measure.
class MeasureCascadeModel {
public:
    // With `stop_after` one of the timing steps (type, first use, distances),
    // the cascade ends there: a choice in it is only recorded (in timing())
    // and opens nothing further. The analysis windows walk every list; the
    // grassland editors stop after the first distance.
    explicit MeasureCascadeModel(DatabaseAccess& db, std::optional<int> stop_after = std::nullopt);

    // Empties every list and fills "Type of measure" from the catalogue.
    void reset();

    const std::vector<std::string>& entries(int step) const { return steps_.at(step).texts; }
    bool enabled(int step) const { return steps_.at(step).enabled; }
    // The entry chosen in a list, empty when none.
    const std::string& chosen(int step) const { return steps_.at(step).chosen; }

    // A choice in list `step`: forgets every later choice, empties the later
    // lists and fills the next list that applies. When nothing is left to
    // choose the matching catalogue row becomes the completed measure. Returns
    // false, changing nothing, for a closed list or a text it does not offer.
    bool choose(int step, const std::string& entry);

    // True once a choice has completed a measure (until the next choice).
    bool complete() const { return completed_.has_value(); }
    // The completed measure, payment 0.
    const MeasureRecord& measure() const;
    std::string measure_line() const { return selected_measure_line(measure()); }

    // The timing chosen so far (skipped distances are 0).
    const MeasureTiming& timing() const { return timing_; }

private:
    struct Step {
        std::vector<std::string> texts;
        std::vector<double> values;  // the value behind each entry
        bool enabled = false;
        std::string chosen;
    };

    void clear_after(int step);
    void open(int step, std::vector<std::string> texts, std::vector<double> values);
    // Fills the list after a chosen distance, skipping distances the type
    // does not have, and goes on to the livestock of the first use.
    void after_distance(int distance_step);
    // Fills the livestock list of `use`, or completes the measure when it has
    // no (further) livestock.
    void offer_livestock(int use);
    void offer_density(int use);
    void offer_residual_density();
    void complete_measure(double residual_density);

    DatabaseAccess& db_;
    std::optional<int> stop_after_;
    std::array<Step, kCascadeStepCount> steps_;
    MeasureTiming timing_;
    std::array<int, 4> livestock_{};
    std::array<double, 4> densities_{};
    std::optional<MeasureRecord> completed_;
};

}  // namespace pravel

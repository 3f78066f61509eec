#include "ui/measure_cascade_model.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "common/number_format.h"
#include "common/numeric_input.h"
#include "core/measure_record.h"

namespace pravel {

namespace {

const std::array<std::string, kCascadeStepCount> kLabels = {
    "Type of measure",
    "QM of first use",
    "Distance to first use in QM",
    "second use in QM",
    "third use in QM",
    "1.Type of livestock",
    "1.Livestock density in GV/ha",
    "2.Type of livestock",
    "2.Livestock density in GV/ha",
    "3.Type of livestock",
    "3.Livestock density in GV/ha",
    "4.Type of livestock",
    "4.Livestock density in GV/ha",
    "density res",
};

const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};
const char* const kOrdinals[4] = {"1st", "2nd", "3rd", "4th"};

// A whole text as a non-negative integer, nothing otherwise.
std::optional<int> whole_number(std::string_view text) {
    int value = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || err != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::vector<std::string> int_texts(const std::vector<int>& values) {
    std::vector<std::string> out;
    for (int v : values) out.push_back(std::to_string(v));
    return out;
}

}  // namespace

const std::string& cascade_step_label(int step) { return kLabels.at(step); }

std::string quarter_month_label(int k) {
    if (k < 1 || k > 48) return std::to_string(k);
    return std::string(kOrdinals[(k - 1) % 4]) + " QM " + kMonths[(k - 1) / 4] + ", " + std::to_string(k) + ".";
}

std::optional<int> quarter_month_from_label(const std::string& label) {
    const auto comma = label.rfind(", ");
    if (comma == std::string::npos) return whole_number(label);
    const auto dot = label.rfind('.');
    if (dot == std::string::npos || dot < comma + 2) return std::nullopt;
    return whole_number(std::string_view(label).substr(comma + 2, dot - comma - 2));
}

std::string density_entry_text(double density) {
    if (density == kDependingOnGrasslandDensity) return kDependingOnGrasslandEntry;
    return format_fixed(density, 1);
}

std::optional<int> livestock_id_from_entry(const std::string& text) {
    if (text == kWithoutLivestockEntry) return 0;
    const auto comma = text.find(',');
    if (comma == std::string::npos) return std::nullopt;
    return whole_number(std::string_view(text).substr(0, comma));
}

std::string selected_measure_line(const MeasureRecord& m) {
    std::string line = measure_list_line(m);
    if (m.livestockID_1 != 0) {
        line.pop_back();  // the closing comma follows the livestock part
        line += "/ livestockID1 " + std::to_string(m.livestockID_1) + ",GV " + format_number(m.livestock_density_1) +
                ",";
    }
    if (m.summary_livestock_density > 0) line += format_number(m.summary_livestock_density) + " (GV), res(GV)";
    return line;
}

MeasureCascadeModel::MeasureCascadeModel(DatabaseAccess& db, std::optional<int> stop_after)
    : db_(db), stop_after_(stop_after) {}

void MeasureCascadeModel::reset() {
    clear_after(-1);
    completed_.reset();
    timing_ = MeasureTiming{};
    livestock_.fill(0);
    densities_.fill(0.0);
    const auto names = measure_names(db_);
    open(kStepType, names, std::vector<double>(names.size(), 0.0));
}

const MeasureRecord& MeasureCascadeModel::measure() const {
    if (!completed_) throw std::logic_error("the measure selection is not complete");
    return *completed_;
}

void MeasureCascadeModel::clear_after(int step) {
    for (int s = step + 1; s < kCascadeStepCount; ++s) steps_[s] = Step{};
}

void MeasureCascadeModel::open(int step, std::vector<std::string> texts, std::vector<double> values) {
    Step& s = steps_[step];
    s.texts = std::move(texts);
    s.values = std::move(values);
    s.values.resize(s.texts.size(), 0.0);
    s.enabled = true;
    s.chosen.clear();
}

bool MeasureCascadeModel::choose(int step, const std::string& entry) {
    if (step < 0 || step >= kCascadeStepCount || !steps_[step].enabled) return false;
    const auto& texts = steps_[step].texts;
    const auto at = std::find(texts.begin(), texts.end(), entry);
    if (at == texts.end()) return false;
    const double value = steps_[step].values[at - texts.begin()];

    std::optional<int> number;
    if (step == kStepFirstUse) number = quarter_month_from_label(entry);
    if (step >= kStepDistance2 && step <= kStepDistance4) number = whole_number(entry);
    const bool livestock = step >= kStepLivestock1 && step <= kStepDensity4 && (step - kStepLivestock1) % 2 == 0;
    if (livestock) number = livestock_id_from_entry(entry);
    if ((step >= kStepFirstUse && step <= kStepDistance4) || livestock) {
        if (!number) return false;
    }

    // Every later choice is forgotten.
    clear_after(step);
    completed_.reset();
    if (step <= kStepType) timing_.name.clear();
    if (step <= kStepFirstUse) timing_.first_use = 0;
    if (step <= kStepDistance2) timing_.d2 = 0;
    if (step <= kStepDistance3) timing_.d3 = 0;
    if (step <= kStepDistance4) timing_.d4 = 0;
    for (int use = 1; use <= 4; ++use) {
        if (step <= livestock_step(use)) livestock_[use - 1] = 0;
        if (step <= density_step(use)) densities_[use - 1] = 0.0;
    }
    steps_[step].chosen = entry;
    if (stop_after_ && step == *stop_after_) {
        if (step == kStepFirstUse) timing_.first_use = *number;
        if (step == kStepDistance2) timing_.d2 = *number;
        if (step == kStepDistance3) timing_.d3 = *number;
        if (step == kStepDistance4) timing_.d4 = *number;
        if (step == kStepType) timing_.name = entry;
        return true;
    }

    switch (step) {
        case kStepType: {
            timing_.name = entry;
            const auto firsts = first_use_choices(db_, timing_.name);
            std::vector<std::string> labels;
            for (int k : firsts) labels.push_back(quarter_month_label(k));
            open(kStepFirstUse, labels, {});
            break;
        }
        case kStepFirstUse:
            timing_.first_use = *number;
            open(kStepDistance2, int_texts(second_use_distance_choices(db_, timing_.name, timing_.first_use)), {});
            break;
        case kStepDistance2:
            timing_.d2 = *number;
            after_distance(step);
            break;
        case kStepDistance3:
            timing_.d3 = *number;
            after_distance(step);
            break;
        case kStepDistance4:
            timing_.d4 = *number;
            offer_livestock(1);
            break;
        case kStepDensityRes:
            complete_measure(value);
            break;
        default: {
            const int use = (step - kStepLivestock1) / 2 + 1;
            if (livestock) {
                livestock_[use - 1] = *number;
                offer_density(use);
            } else {
                densities_[use - 1] = value;
                if (use < 4)
                    offer_livestock(use + 1);
                else
                    offer_residual_density();
            }
        }
    }
    return true;
}

void MeasureCascadeModel::after_distance(int distance_step) {
    // A further distance is offered only when the catalogue has a use after
    // the chosen one; otherwise it and every later distance stay 0.
    if (distance_step < kStepDistance4) {
        const int next = distance_step + 1;
        const auto values = next == kStepDistance3
                                ? third_use_distance_choices(db_, timing_.name, timing_.first_use, timing_.d2)
                                : fourth_use_distance_choices(db_, timing_.name, timing_.first_use, timing_.d2,
                                                              timing_.d3);
        if (std::any_of(values.begin(), values.end(), [](int v) { return v != 0; })) {
            open(next, int_texts(values), {});
            return;
        }
    }
    offer_livestock(1);
}

void MeasureCascadeModel::offer_livestock(int use) {
    const std::vector<double> densities(densities_.begin(), densities_.begin() + (use - 1));
    const std::vector<int> ids(livestock_.begin(), livestock_.begin() + (use - 1));
    auto entries = livestock_choices(db_, timing_, use, densities, ids);
    if (entries.empty() || (entries.size() == 1 && entries.front() == kWithoutLivestockEntry)) {
        complete_measure(0.0);
        return;
    }
    open(livestock_step(use), std::move(entries), {});
}

void MeasureCascadeModel::offer_density(int use) {
    const std::vector<double> densities(densities_.begin(), densities_.begin() + (use - 1));
    const std::vector<int> ids(livestock_.begin(), livestock_.begin() + use);
    const auto values = density_choices(db_, timing_, use, densities, ids);
    if (values.empty()) {
        complete_measure(0.0);
        return;
    }
    std::vector<std::string> texts;
    for (double v : values) texts.push_back(density_entry_text(v));
    open(density_step(use), texts, values);
}

void MeasureCascadeModel::offer_residual_density() {
    // A measure that grazes in its fourth period may go on grazing the
    // regrowth afterwards; its residual density is one of the densities the
    // catalogue has for that last period. Grazing that follows the sward has
    // no fixed density to carry on with.
    std::vector<std::string> texts;
    std::vector<double> values;
    if (livestock_[3] != 0 && densities_[3] > 0) {
        const Step& last = steps_[kStepDensity4];
        for (std::size_t i = 0; i < last.values.size(); ++i) {
            const double v = last.values[i];
            if (v > 0 && v != kDependingOnGrasslandDensity) {
                texts.push_back(last.texts[i]);
                values.push_back(v);
            }
        }
    }
    if (texts.empty()) {
        complete_measure(0.0);
        return;
    }
    open(kStepDensityRes, texts, values);
}

void MeasureCascadeModel::complete_measure(double residual_density) {
    MeasureRecord m = find_measure_full(db_, timing_, densities_, livestock_);
    if (m.name.empty()) return;  // no catalogue row matches: nothing to add
    m.payment = 0.0;
    m.summary_livestock_density = residual_density;
    completed_ = m;
}

}  // namespace pravel

#pragma once
#include <string>

#include "common/feedback.h"
#include "store/measure_store.h"

namespace pravel {

// Measure groups by method number: 1-5 mowing, 6-10 grazing, 11-14 mowing
// with grazing. The first number of each group (1, 6, 11) is the reference
// method for costing.
enum class MeasureGroup : int { Mowing = 0, Grazing = 1, MowingWithGrazing = 2 };

// 0, 1 or 2 by the method number; for any other number the user is told that
// the measure fits no type (through `feedback`, or the notifier in force
// without one), and -1 is returned.
int measure_group(const MeasureRecord& record, Feedback* feedback = nullptr);

// True for the catalogue's mowing type names, "refuge_strips" included.
bool is_mowing_type(const std::string& name);

// Short description of a measure, as the optimisation windows show it.
std::string measure_label(const MeasureRecord& record);

// The line by which the analysis windows list a chosen measure. Lines of the
// ready-made grazing set add the first livestock density when it lies
// strictly between 0.3 and 90.
std::string measure_list_line(const MeasureRecord& record, bool with_density = false);

}  // namespace pravel

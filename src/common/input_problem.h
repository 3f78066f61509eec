#pragma once
#include <string>

namespace pravel {

// The control a window puts the cursor in when it refuses an input. None
// where the window leaves the cursor where it is (a missing choice, or a
// check whose window does not move it).
enum class InputField {
    None,
    DistanceCostFactor,
    TransactionCosts,
    Budget,
    MinimumQuality,
    WantedArea,
    Importance,
    Payment,
    MaximumArea,
};

// A refused input: the message to show and the control it belongs to. An
// empty text means the input is usable.
struct InputProblem {
    InputField field = InputField::None;
    std::string text;

    InputProblem() = default;
    InputProblem(InputField f, std::string t) : field(f), text(std::move(t)) {}
    // A refusal that moves no cursor.
    InputProblem(const char* t) : text(t) {}  // NOLINT(google-explicit-constructor)

    bool empty() const { return text.empty(); }
};

}  // namespace pravel

#pragma once
// A locale whose decimal separator is a comma, for tests that must show that
// a number is read the same whatever the user's locale.

namespace pravel::testing {

// Switches LC_NUMERIC to German (decimal comma) for its lifetime and back to
// "C" afterwards. When the machine has no German locale, one is compiled
// once from the system's locale sources into the test work folder.
class CommaDecimalLocale {
public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // False when no such locale could be had; the test should then skip.
    bool active() const { return active_; }

private:
    bool active_ = false;
};

}  // namespace pravel::testing

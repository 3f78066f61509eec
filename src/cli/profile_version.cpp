// Naming a saved species version by its save time.
#include "cli/scenario.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace pravel::cli {

namespace {

// A save time as "YYYY-MM-DD HH:MM:SS.ffffff": the fraction filled up to
// microseconds, so that times of every precision compare digit by digit.
std::string full_time(const std::string& time) {
    std::string t = time;
    const auto dot = t.find('.');
    if (dot == std::string::npos) {
        if (t.size() == 19) t += ".000000";
    } else if (t.size() - dot - 1 < 6) {
        t.append(6 - (t.size() - dot - 1), '0');
    }
    return t;
}

// The typed time with a blank between day and time, or nothing when it is not
// a time of one of the accepted precisions: "YYYY-MM-DD", then optionally
// " HH", ":MM", ":SS" and "." with one to six digits, each only after the one
// before.
std::optional<std::string> typed_time(std::string t) {
    const auto first = t.find_first_not_of(' ');
    const auto last = t.find_last_not_of(' ');
    t = first == std::string::npos ? std::string() : t.substr(first, last - first + 1);
    if (t.size() > 10 && t[10] == 'T') t[10] = ' ';
    // The pattern, character by character: 'd' a digit, others themselves.
    static const std::string pattern = "dddd-dd-dd dd:dd:dd.dddddd";
    static const std::size_t ends[] = {10, 13, 16, 19, 21, 22, 23, 24, 25, 26};
    if (std::find(std::begin(ends), std::end(ends), t.size()) == std::end(ends)) return std::nullopt;
    for (std::size_t k = 0; k < t.size(); ++k) {
        const bool ok = pattern[k] == 'd' ? std::isdigit(static_cast<unsigned char>(t[k])) != 0 : t[k] == pattern[k];
        if (!ok) return std::nullopt;
    }
    return t;
}

std::string version_list(const std::vector<std::string>& versions) {
    std::string out;
    for (const auto& v : versions) out += (out.empty() ? "" : ", ") + v;
    return out;
}

}  // namespace

std::string choose_species_version(const std::string& name, const std::vector<std::string>& versions,
                                   const std::optional<std::string>& saved_on) {
    if (versions.empty()) throw ScenarioError("unknown species \"" + name + "\"");
    if (!saved_on) {
        // Save times sort as text in time order.
        return *std::max_element(versions.begin(), versions.end(),
                                 [](const std::string& a, const std::string& b) { return full_time(a) < full_time(b); });
    }
    const std::string known = "; its versions: " + version_list(versions);
    const auto typed = typed_time(*saved_on);
    if (!typed) {
        throw ScenarioError("species \"" + name + "\": saved_on \"" + *saved_on +
                            "\" is not a time like 2020-01-01 10:00:00" + known);
    }
    std::vector<std::string> named;
    for (const auto& v : versions) {
        if (full_time(v).compare(0, typed->size(), *typed) == 0) named.push_back(v);
    }
    if (named.empty()) throw ScenarioError("species \"" + name + "\" has no version saved on " + *saved_on + known);
    if (named.size() > 1) {
        throw ScenarioError("species \"" + name + "\": saved_on " + *saved_on + " names " +
                            std::to_string(named.size()) + " versions (" + version_list(named) +
                            "); give the time more precisely" + known);
    }
    return named.front();
}

}  // namespace pravel::cli

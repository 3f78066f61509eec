#pragma once
// Checks of the command line's own values, made before anything is run or
// written: each returns the message refusing the value, empty when it is fine.
#include <optional>
#include <string>

#include "cli/analyses.h"

namespace pravel::cli {

// Characters a configuration name may have: the width of the `configname`
// column.
inline constexpr std::size_t kConfigurationNameLimit = 255;

// A file the tool is to write (`option` names it in the message): not empty,
// not a folder, in a folder that exists, and creatable there when it does not
// exist yet.
std::string output_path_problem(const std::string& option, const std::string& path);

// A configuration name: not empty, UTF-8, at most kConfigurationNameLimit
// characters.
std::string configuration_name_problem(const std::string& name);

// A time limit: a finite number of seconds above 0.
std::string max_seconds_problem(double seconds);

// The first problem of an analysis' options, in the order report, store name,
// time limit.
std::string run_options_problem(const RunOptions& options);

// Number of characters of a UTF-8 text; none when it is not well-formed UTF-8.
std::optional<std::size_t> utf8_length(const std::string& text);

// The refusal of a --threads value.
inline const std::string kThreadsRefused = "--threads takes a whole number of threads from 1 to 1024";

// The number of threads of a --threads value: a whole number from 1 to 1024
// in decimal digits; nothing for any other text.
std::optional<int> thread_count(const std::string& text);

}  // namespace pravel::cli

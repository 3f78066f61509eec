#include "support/comma_locale.h"

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

namespace pravel::testing {

namespace {

namespace fs = std::filesystem;

constexpr const char* kName = "de_DE.UTF-8";

bool switch_numeric() { return std::setlocale(LC_NUMERIC, kName) != nullptr; }

// Compiles the locale into <work>/../locales once; test programs running at
// the same time each compile into a folder of their own and the first rename
// wins.
bool compile_locale() {
    const fs::path root = fs::path(PRAVEL_TEST_WORK_DIR).parent_path() / "locales";
    const fs::path target = root / kName;
    std::error_code ec;
    if (!fs::exists(target, ec)) {
        const fs::path staging = root / ("staging-" + std::to_string(::getpid()));
        fs::create_directories(staging, ec);
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (staging / kName).string() + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) fs::rename(staging / kName, target, ec);
        fs::remove_all(staging, ec);
    }
    if (!fs::exists(target, ec)) return false;
    ::setenv("LOCPATH", root.c_str(), 1);
    return switch_numeric();
}

}  // namespace

CommaDecimalLocale::CommaDecimalLocale() { active_ = switch_numeric() || compile_locale(); }

CommaDecimalLocale::~CommaDecimalLocale() { std::setlocale(LC_NUMERIC, "C"); }

}  // namespace pravel::testing

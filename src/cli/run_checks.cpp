#include "cli/run_checks.h"

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <system_error>

namespace pravel::cli {

namespace fs = std::filesystem;

std::optional<std::size_t> utf8_length(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
            cp = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            cp = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            cp = b & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + extra >= text.size()) return std::nullopt;  // cut off at the end
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(text[i + k]);
            if ((c & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (c & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and values beyond U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return std::nullopt;
        }
        i += extra + 1;
    }
    return count;
}

std::string output_path_problem(const std::string& option, const std::string& path) {
    if (path.empty()) return option + " needs a file name";
    if (path.back() == '/') return option + " " + path + " names a folder, not a file";
    std::error_code ec;
    if (fs::is_directory(path, ec)) return option + " " + path + " is a folder, not a file";
    const fs::path parent = fs::path(path).has_parent_path() ? fs::path(path).parent_path() : fs::path(".");
    const fs::file_status folder = fs::status(parent, ec);
    if (!fs::exists(folder)) return option + " " + path + ": the folder " + parent.string() + " does not exist";
    if (!fs::is_directory(folder)) return option + " " + path + ": " + parent.string() + " is not a folder";
    if (!fs::exists(fs::symlink_status(path, ec)) && ::access(parent.c_str(), W_OK | X_OK) != 0) {
        return option + " " + path + ": no file can be created in the folder " + parent.string();
    }
    return {};
}

std::string configuration_name_problem(const std::string& name) {
    if (name.empty()) return "--store needs a name for the configuration";
    const auto length = utf8_length(name);
    if (!length) return "--store: the configuration name is not valid UTF-8 text";
    if (*length > kConfigurationNameLimit) {
        return "--store: the configuration name has " + std::to_string(*length) + " characters; at most " +
               std::to_string(kConfigurationNameLimit) + " are stored";
    }
    return {};
}

std::string max_seconds_problem(double seconds) {
    if (std::isfinite(seconds) && seconds > 0) return {};
    return "--max-seconds must be a finite number of seconds above 0";
}

std::string run_options_problem(const RunOptions& o) {
    if (o.report_path) {
        if (auto p = output_path_problem("--report", *o.report_path); !p.empty()) return p;
    }
    if (o.store_name) {
        if (auto p = configuration_name_problem(*o.store_name); !p.empty()) return p;
    }
    if (o.max_seconds) return max_seconds_problem(*o.max_seconds);
    return {};
}


std::optional<int> thread_count(const std::string& text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > 1024) return std::nullopt;
    return n;
}

}  // namespace pravel::cli

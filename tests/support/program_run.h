#pragma once
// Runs a command line as a program: its standard output read through a pipe,
// its standard error through a file, and its exit status (-1 when it did not
// exit normally).
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace pravel::testing {

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline ProgramRun run_program(const std::string& command, const std::string& err_path) {
    ProgramRun r;
    FILE* p = ::popen((command + " 2>" + err_path).c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream e(err_path);
    std::stringstream ss;
    ss << e.rdbuf();
    r.err = ss.str();
    return r;
}

}  // namespace pravel::testing

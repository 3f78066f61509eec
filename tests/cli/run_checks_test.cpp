// The command line's own values are checked before a run: output files,
// configuration names and the time limit.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>

#include "cli/run_checks.h"
#include "expect_refusal.h"

namespace pravel::cli {
namespace {

using ::testing::HasSubstr;

class OutputPath : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pravel_run_checks_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::ofstream(dir_ + "/existing.txt") << "old";
        std::ofstream(dir_ + "/plain") << "x";
        ::mkdir((dir_ + "/folder").c_str(), 0755);
        ::mkdir((dir_ + "/locked").c_str(), 0555);
        ASSERT_EQ(::symlink((dir_ + "/folder").c_str(), (dir_ + "/link_to_folder").c_str()), 0);
    }
    void TearDown() override { std::system(("chmod -R u+w " + dir_ + " && rm -rf " + dir_).c_str()); }
    std::string dir_;
};

TEST_F(OutputPath, RefusesEmptyNamesFoldersAndFilesThatCannotBeMade) {
    const bool root = ::geteuid() == 0;  // root may write into a read-only folder
    struct Case {
        std::string path;
        std::string message;  // empty: accepted
    } cases[] = {
        {"", "--report needs a file name"},
        {dir_ + "/folder", "is a folder, not a file"},
        {dir_ + "/link_to_folder", "is a folder, not a file"},
        {dir_ + "/new/", "names a folder, not a file"},
        {dir_ + "/missing/report.txt", "the folder " + dir_ + "/missing does not exist"},
        {dir_ + "/plain/report.txt", dir_ + "/plain is not a folder"},
        {dir_ + "/locked/report.txt", root ? "" : "no file can be created in the folder"},
        {dir_ + "/existing.txt", ""},
        {dir_ + "/new.txt", ""},
        {dir_ + "/folder/new.txt", ""},
        {"relative-name.txt", ""},
    };
    for (const auto& c : cases) expect_refusal(output_path_problem("--report", c.path), c.message, c.path);
}

TEST(ConfigurationName, FitsTheColumnAndIsUtf8Text) {
    const std::string a255(255, 'a');
    std::string umlauts;
    for (int k = 0; k < 255; ++k) umlauts += "\xC3\xBC";  // 255 characters, 510 bytes
    struct Case {
        std::string name;
        const char* message;
    } cases[] = {
        {"", "--store needs a name"},
        {a255, ""},
        {a255 + "b", "the configuration name has 256 characters; at most 255 are stored"},
        {umlauts, ""},
        {umlauts + "\xC3\xBC", "has 256 characters"},
        {"Montagu's harrier", ""},
        {"bad \xC3", "not valid UTF-8"},
        {"bad \xFF name", "not valid UTF-8"},
        {"overlong \xC0\xAF", "not valid UTF-8"},
        {"surrogate \xED\xA0\x80", "not valid UTF-8"},
    };
    for (const auto& c : cases) expect_refusal(configuration_name_problem(c.name), c.message, c.name);
    EXPECT_EQ(utf8_length("a\xE2\x82\xAC\xF0\x9F\x90\xA6"), 3u);  // a, euro sign, bird
    EXPECT_EQ(utf8_length("\xF4\x90\x80\x80"), std::nullopt);     // beyond U+10FFFF
}

TEST(TimeLimit, IsAFinitePositiveNumberOfSeconds) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double refused : {-5.0, 0.0, -0.0, std::nan(""), inf, -inf})
        EXPECT_THAT(max_seconds_problem(refused), HasSubstr("--max-seconds must be a finite number")) << refused;
    for (double accepted : {0.001, 2.0, 1e9}) EXPECT_EQ(max_seconds_problem(accepted), "") << accepted;
}

TEST(RunOptions, ReportsTheFirstProblemInOrder) {
    RunOptions o;
    EXPECT_EQ(run_options_problem(o), "");
    o.max_seconds = -1;
    o.store_name = "";
    o.report_path = "";
    EXPECT_EQ(run_options_problem(o), "--report needs a file name");
    o.report_path.reset();
    EXPECT_EQ(run_options_problem(o), "--store needs a name for the configuration");
    o.store_name = "ok";
    EXPECT_THAT(run_options_problem(o), HasSubstr("--max-seconds"));
}

}  // namespace
}  // namespace pravel::cli

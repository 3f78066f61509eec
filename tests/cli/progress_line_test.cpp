#include "cli/progress_line.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>

namespace pravel::cli {
namespace {

TEST(ProgressLine, TextGivesStageShareOrStepsAndSeconds) {
    struct Case {
        Feedback::Progress p;
        double seconds;
        const char* text;
    } cases[] = {
        {{1234, 2742, 0.0, 0.0, "evaluation"}, 3.24, "evaluation: 45 % (1234 of 2742), 3.2 s"},
        {{1, 1, 0.0, 0.0, "cost-only bound"}, 0.0, "cost-only bound: 100 % (1 of 1), 0.0 s"},
        {{812, 0, 2.5, 56851.75, "breakpoint search: restarts"}, 12.06,
         "breakpoint search: restarts: step 812, best 56851.8, 12.1 s"},
        {{3000, 0, 17.0, 0.0, "budget minimisation"}, 1.0, "budget minimisation: step 3000, 1.0 s"},
        {{0, 0, 0.0, 0.0, ""}, 0.0, "working: step 0, 0.0 s"},
    };
    for (const Case& c : cases) EXPECT_EQ(progress_text(c.p, c.seconds), c.text);
}

TEST(ProgressLine, OffAPipeOnlyWhenAskedAndThenOneLinePerStage) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    {
        set_progress_mode(ProgressMode::Automatic);
        ProgressLine quiet(file);
        EXPECT_EQ(quiet.feedback(), nullptr) << "a file is not a terminal";
    }
    {
        set_progress_mode(ProgressMode::Lines);
        ProgressLine line(file);
        ASSERT_NE(line.feedback(), nullptr);
        for (long long k = 0; k <= 1000; ++k) line.feedback()->report({k, 1000, 0.0, 0.0, "evaluation"});
        line.feedback()->report({0, 1, 0.0, 0.0, "cost-only bound"});
        line.feedback()->report({1, 1, 0.0, 0.0, "cost-only bound"});
    }
    set_progress_mode(ProgressMode::Automatic);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    // The first report of each stage and each stage's end, not a line per
    // report (the seconds are left out of the comparison).
    text = std::regex_replace(text, std::regex(", [0-9.]+ s\n"), "\n");
    EXPECT_EQ(text.rfind("evaluation: 0 % (0 of 1000)\n", 0), 0u) << text;
    EXPECT_NE(text.find("evaluation: 100 % (1000 of 1000)\ncost-only bound: 0 % (0 of 1)\ncost-only bound: 100 % (1 of 1)\n"),
              std::string::npos)
        << text;
    EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 10) << text;
}

}  // namespace
}  // namespace pravel::cli

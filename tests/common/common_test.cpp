#include <gtest/gtest.h>

#include <cfloat>

#include <locale>

#include "common/feedback.h"
#include "common/notifier.h"
#include "common/number_format.h"
#include "common/numeric_input.h"
#include "common/random.h"
#include "common/sql_text.h"

namespace pravel {
namespace {

TEST(Random, SeededSequenceIsTheFifteenBitCongruentialOne) {
    // state = state * 214013 + 2531011 (mod 2^32), value = bits 16..30.
    // From seed 1: 1*214013+2531011 = 2745024 -> 2745024 >> 16 = 41.
    seed_random(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int e : expected) EXPECT_EQ(rand15(), e);

    seed_random(1);
    EXPECT_EQ(rand15(), 41) << "reseeding restarts the sequence";
}

TEST(Random, ValuesStayInRangeAndUnitIsValueOverMax) {
    seed_random(12345);
    for (int i = 0; i < 10000; ++i) {
        const int v = rand15();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, RAND15_MAX);
    }
    seed_random(1);
    EXPECT_DOUBLE_EQ(random_unit(), 41.0 / 32767.0);
    EXPECT_TRUE(random_coin()) << "18467 is odd";
    EXPECT_FALSE(random_coin()) << "6334 is even";
}

TEST(NumberFormat, FormatsLikeADefaultStream) {
    const std::pair<double, const char*> cases[] = {
        {0.0625, "0.0625"}, {20.0, "20"},      {1e-07, "1e-07"},    {1000000.0, "1e+06"},
        {999999.0, "999999"}, {123456.7, "123457"}, {0.0001, "0.0001"}, {0.00001, "1e-05"},
        {-2.5, "-2.5"},     {1.4, "1.4"},      {0.0, "0"},          {1.0 / 3.0, "0.333333"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(format_number(value), text) << value;
}

TEST(NumberFormat, IgnoresTheGlobalLocale) {
    struct Comma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
    };
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new Comma));
    EXPECT_EQ(format_number(0.5), "0.5");
    std::locale::global(previous);
}

TEST(NumericInput, AcceptsOnlyNumericCharacters) {
    const std::pair<const char*, bool> cases[] = {
        {"12", true},   {"-3.5", true}, {"(7)", true},   {"", true},    {"1.2.3", true},
        {"12a3", false}, {"a", false},  {" 12", false}, {"1e5", false}, {"12 ", false},
        {"1,5", false},
    };
    for (const auto& [text, ok] : cases) EXPECT_EQ(is_numeric_input(text), ok) << '"' << text << '"';
}

TEST(NumericInput, ParsesTheLeadingNumberLikeTheRuntime) {
    const std::tuple<const char*, int, double> cases[] = {
        {"12", 12, 12.0},     {"-3.5", -3, -3.5}, {"1.2.3", 1, 1.2}, {"", 0, 0.0},
        {"(7)", 0, 0.0},      {"0.25", 0, 0.25},  {"5-", 5, 5.0},    {"99999999999", 2147483647, 99999999999.0},
        {" 2.5km", 2, 2.5},   {".5", 0, 0.5},     {"-.5e1x", 0, -5.0}, {"3e", 3, 3.0},
        {"1e+2", 1, 100.0},   {"+4", 4, 4.0},     {"-", 0, 0.0},     {".", 0, 0.0},
        // Only decimal numbers: no hexadecimal, infinity or not-a-number.
        {"0x1A", 0, 0.0},     {"inf", 0, 0.0},    {"NaN", 0, 0.0},   {"-infinity", 0, 0.0},
        // Too large for a double: the largest one.
        {"1e999", 1, DBL_MAX}, {"-1e999", -1, -DBL_MAX},
    };
    for (const auto& [text, i, d] : cases) {
        EXPECT_EQ(parse_int(text), i) << text;
        EXPECT_DOUBLE_EQ(parse_real(text), d) << text;
    }
}

TEST(SqlText, QuotesOnlyTextValuesThatNeedIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"Kiebitz", "Kiebitz"},
        {"Kiebitz's meadow", "Kiebitz\\'s meadow"},
        {"back\\slash", "back\\\\slash"},
        {"'; DROP TABLE species; --", "\\'; DROP TABLE species; --"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(sql_escape(in), out);
}

TEST(SqlText, JoinsFragmentsAndFormatsValues) {
    SqlText s;
    s << "SELECT  * FROM measures WHERE name = '" << SqlValue{"O'Neill"} << "' AND  livestock_density_1 = " << 1.4
      << " AND livestockID_1   = " << 2 << " AND x = " << 1e-07 << " AND f = " << true;
    EXPECT_EQ(s.str(),
              "SELECT  * FROM measures WHERE name = 'O\\'Neill' AND  livestock_density_1 = 1.4 AND livestockID_1   = 2"
              " AND x = 1e-07 AND f = 1");
}

TEST(Notifier, RecordsMessagesAndAnswersFromItsQueue) {
    auto rec = std::make_shared<RecordingNotifier>();
    {
        ScopedNotifier guard(rec);
        rec->queue_answer(false);
        notifier().inform("a");
        EXPECT_FALSE(notifier().ask_yes_no("b"));
        EXPECT_TRUE(notifier().ask_ok_cancel("c")) << "default answer once the queue is empty";
    }
    ASSERT_EQ(rec->messages().size(), 3u);
    EXPECT_EQ(rec->messages()[1].kind, RecordingNotifier::Kind::YesNo);
    EXPECT_EQ(rec->texts(), (std::vector<std::string>{"a", "b", "c"}));
    notifier().inform("after the guard, not recorded");
    EXPECT_EQ(rec->messages().size(), 3u);
}

TEST(Feedback, ForwardsProgressAndRemembersCancel) {
    long long last = -1;
    Feedback f([&](const Feedback::Progress& p) { last = p.step; });
    f.report({7, 10, 0.0, 0.0, "pixels"});
    EXPECT_EQ(last, 7);
    EXPECT_FALSE(f.cancelled());
    f.cancel();
    EXPECT_TRUE(f.cancelled());
}

// Whole-number fields refuse a point: a decimal part or a thousands
// separator would be cut off by the integer reading.
TEST(NumericInput, WholeNumberFieldsRefuseAPointWithTheirOwnMessage) {
    const struct {
        InputField field;
        const char* text;
        const char* message;  // null: accepted
    } cases[] = {
        {InputField::Budget, "50000", nullptr},
        {InputField::Budget, "50.000", kWholeBudget},
        {InputField::Budget, "(50000)", nullptr},
        {InputField::TransactionCosts, "12.7", kWholeTransactionCosts},
        {InputField::TransactionCosts, "-3", nullptr},
        {InputField::MaximumArea, "2.000", kWholeMaximumArea},
        {InputField::MaximumArea, "", nullptr},
        {InputField::MinimumQuality, "0.5", nullptr},  // a real field is not concerned
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const InputProblem p = whole_number_problem(c.field, c.text);
        if (!c.message) {
            EXPECT_TRUE(p.empty());
        } else {
            EXPECT_EQ(p.text, c.message);
            EXPECT_EQ(p.field, c.field);
        }
    }
}

}  // namespace
}  // namespace pravel

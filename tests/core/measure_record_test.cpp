#include <gtest/gtest.h>

#include "common/notifier.h"
#include "core/measure_record.h"

namespace pravel {
namespace {

MeasureRecord measure(const std::string& name, int method, int first, int d2, bool fertilised = false,
                      double density = 0.0, int livestock = 0) {
    MeasureRecord m;
    m.name = name;
    m.method_nr = method;
    m.month_quarter_first_use = first;
    m.distance_2use = d2;
    m.fertilization = fertilised;
    m.livestock_density_1 = density;
    m.livestockID_1 = livestock;
    m.measureID = 17;
    return m;
}

TEST(MeasureGroup, ByMethodNumberWithMessageForUnknownOnes) {
    const std::pair<int, int> cases[] = {{1, 0}, {5, 0}, {6, 1}, {10, 1}, {11, 2}, {14, 2}, {0, -1}, {15, -1}};
    for (const auto& [method, group] : cases) {
        auto rec = std::make_shared<RecordingNotifier>();
        ScopedNotifier guard(rec);
        const auto m = measure("mowing_2cut", method, 17, 6);
        EXPECT_EQ(measure_group(m), group) << method;
        if (group < 0) {
            ASSERT_EQ(rec->messages().size(), 1u);
            EXPECT_EQ(rec->messages()[0].kind, RecordingNotifier::Kind::Inform);
            EXPECT_EQ(rec->messages()[0].text,
                      "Maßnahme \" << mowing_2cut,17/6,D=nein >> \"kann keinem Typ zugeordnet werden");
        } else {
            EXPECT_TRUE(rec->messages().empty());
        }
    }
}

TEST(MeasureLabel, MowingAndGrazingForms) {
    struct Case {
        MeasureRecord m;
        const char* label;
    } cases[] = {
        {measure("mowing_1cut", 1, 24, 0, true), "<< mowing_1cut,24/0,D=ja >>"},
        // "refuge_strips" is a mowing type name; "refuge strips" is not.
        {measure("refuge_strips", 5, 20, 8), "<< refuge_strips,20/8,D=nein >>"},
        {measure("refuge strips", 5, 20, 8, false, 0.0, 0), "<< refuge strips,20/8,GV=0.0,Tie=,D=nein >>"},
        {measure("grazing_rota1", 6, 17, 6, false, 1.4, 1), "<< grazing_rota1,17/6,GV=1.4,Tie=ruhig,D=nein >>"},
        {measure("grazing_seas", 10, 16, 0, true, 0.75, 2), "<< grazing_seas,16/0,GV=0.8,Tie=lebhaft,D=ja >>"},
        {measure("grazing_seas", 10, 16, 0, false, 2.0, 3), "<< grazing_seas,16/0,GV=2.0,Tie=,D=nein >>"},
    };
    for (const auto& c : cases) EXPECT_EQ(measure_label(c.m), c.label);
}

TEST(MeasureListLine, DensitySuffixOnlyStrictlyBetweenBounds) {
    auto m = measure("grazing_rot_postpo", 7, 20, 8, false, 0.0, 1);
    m.distance_3use = 6;
    m.distance_4use = 0;
    EXPECT_EQ(measure_list_line(m), "17, grazing_rot_postpo, 20/8/6/0,");
    const std::pair<double, const char*> cases[] = {
        {0.3, "17, grazing_rot_postpo, 20/8/6/0,"},
        {0.31, "17, grazing_rot_postpo, 20/8/6/0,0.31 (GV), res(GV)"},
        {1.4, "17, grazing_rot_postpo, 20/8/6/0,1.4 (GV), res(GV)"},
        {89.9, "17, grazing_rot_postpo, 20/8/6/0,89.9 (GV), res(GV)"},
        {90.0, "17, grazing_rot_postpo, 20/8/6/0,"},
        {99.0, "17, grazing_rot_postpo, 20/8/6/0,"},
    };
    for (const auto& [density, line] : cases) {
        m.livestock_density_1 = density;
        EXPECT_EQ(measure_list_line(m, true), line) << density;
    }
}

TEST(MeasureType, MowingTypeNames) {
    for (const char* n : {"mowing_1cut", "mowing_2cut", "mowing_3cut", "mowing_4cut", "refuge_strips"})
        EXPECT_TRUE(is_mowing_type(n)) << n;
    for (const char* n : {"refuge strips", "mowing_postpo", "grazing_rota1", "mowing_pasture_seas", ""})
        EXPECT_FALSE(is_mowing_type(n)) << n;
}

}  // namespace
}  // namespace pravel

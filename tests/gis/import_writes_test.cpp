// Imports that write at the same time, and replacing an area that has runs
// stored on it, against the server.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "common/feedback.h"
#include "gis/gis_files.h"
#include "gis/study_area_import.h"
#include "store/study_area_store.h"

namespace pravel {
namespace {

using testing::kNone;
using testing::write_raster;
using Rows = std::vector<std::vector<std::string>>;

class ImportWritesTest : public testing::DatabaseTest {
protected:
    gis::ImportOptions area(const std::string& name) {
        gis::ImportOptions o;
        o.name = name;
        o.growth_start = 12;
        o.layers = {{"land_use_type", write_raster("writes_landuse.tif", {4, 4, 3, kNone, 4, 1, 4, 4, kNone, 4, 4, 4}),
                     ""}};
        return o;
    }

    // Runs `first` until it writes its pixels, holds it there for a while
    // (its transaction open), and runs `second` meanwhile. Each outcome is
    // "countryID n" or the text of what was thrown.
    std::pair<std::string, std::string> at_once(const gis::ImportOptions& first, const gis::ImportOptions& second) {
        std::atomic<bool> writing{false};
        Feedback hold([&](const Feedback::Progress& p) {
            if (p.stage == "Writing pixels" && !writing.exchange(true)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            }
        });
        auto run = [this](const gis::ImportOptions& o, Feedback* feedback) -> std::string {
            try {
                auto db = connect();
                return "countryID " + std::to_string(gis::import_study_area(*db, o, feedback).countryID);
            } catch (const std::exception& e) {
                return e.what();
            }
        };
        auto a = std::async(std::launch::async, run, first, &hold);
        while (!writing) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const std::string b = run(second, nullptr);
        return {a.get(), b};
    }

    // A run stored on area `country_id` with one result on its first pixel.
    void store_run(int configuration_id, const std::string& name, int country_id) {
        const std::string id = std::to_string(configuration_id);
        const std::string pixel =
            schema().scalar("SELECT MIN(pixelID) FROM pixel WHERE countryID = " + std::to_string(country_id));
        schema().exec("INSERT INTO configuration VALUES (" + id + ", 10, 120, 1, '" + name + "', " +
                      std::to_string(country_id) + ")");
        schema().exec("INSERT INTO result VALUES (" + pixel + ", " + id + ", 10, 5)");
        schema().exec("INSERT INTO resulting_quality VALUES (" + pixel + ", " + id + ", 3, 0.5)");
    }

    long long run_rows() {
        return schema().count("configuration") + schema().count("result") + schema().count("resulting_quality");
    }
};

TEST_F(ImportWritesTest, ImportsAtOnceGetKeysOfTheirOwnAndOneNameIsTakenOnce) {
    struct Case {
        const char* what;
        std::string first, second;
        std::string second_outcome;
    };
    const Case cases[] = {
        {"two names", "Ostau", "Westau", "countryID 2"},
        {"one name", "Ostau", "Ostau", "a study area named \"Ostau\" already exists"},
    };
    for (const auto& c : cases) {
        schema().clear_all();
        const auto [first, second] = at_once(area(c.first), area(c.second));
        EXPECT_EQ(first, "countryID 1") << c.what;
        EXPECT_EQ(second.substr(0, c.second_outcome.size()), c.second_outcome) << c.what << ": " << second;
        EXPECT_TRUE(messages().messages().empty()) << c.what;
        // Every pixel of each area, with keys that do not overlap.
        EXPECT_EQ(schema().scalar("SELECT COUNT(DISTINCT pixelID) FROM pixel"),
                  std::to_string(10 * schema().count("country")))
            << c.what;
    }
}

TEST_F(ImportWritesTest, AReplaceIsRefusedWhileRunsAreStoredOnTheAreaUnlessTheyAreDroppedWithIt) {
    auto db = connect();
    gis::import_study_area(*db, area("Ostau"));
    gis::import_study_area(*db, area("Westau"));
    store_run(1700000000, "Plan A", 1);
    store_run(1700000100, "Plan B", 1);
    store_run(1700000200, "Elsewhere", 2);
    const Rows pixels_before = schema().rows("SELECT pixelID FROM pixel ORDER BY pixelID");

    gis::ImportOptions replace = area("Ostau");
    replace.replace = true;
    // Refused before the layers are read, and by the write itself (a run
    // stored between the two checks).
    for (const bool checked_first : {true, false}) {
        try {
            if (checked_first) {
                gis::import_study_area(*db, replace);
            } else {
                const auto layers = gis::load_layers(replace.layers);
                gis::import_study_area(*db, replace, layers);
            }
            ADD_FAILURE() << "replaced with runs stored";
        } catch (const gis::StoredRunsRefusal& e) {
            EXPECT_EQ(e.runs, (std::vector<StoredRun>{{1700000000, "Plan A"}, {1700000100, "Plan B"}}));
            const std::string text = e.what();
            EXPECT_NE(text.find("study area \"Ostau\" has 2 stored runs (configurationID 1700000000 \"Plan A\", "
                                "1700000100 \"Plan B\")"),
                      std::string::npos)
                << text;
        }
        EXPECT_EQ(schema().rows("SELECT pixelID FROM pixel ORDER BY pixelID"), pixels_before);
        EXPECT_EQ(run_rows(), 9);
    }

    replace.drop_runs = true;
    EXPECT_EQ(gis::import_study_area(*db, replace).countryID, 1);
    EXPECT_EQ(schema().rows("SELECT DISTINCT configurationID FROM configuration"), (Rows{{"1700000200"}}));
    EXPECT_EQ(schema().rows("SELECT DISTINCT configurationID FROM result"), (Rows{{"1700000200"}}));
    EXPECT_EQ(schema().rows("SELECT DISTINCT configurationID FROM resulting_quality"), (Rows{{"1700000200"}}));
    EXPECT_EQ(schema().scalar("SELECT MIN(pixelID) FROM pixel WHERE countryID = 1"), "21");

    // Without runs a replace needs nothing more.
    replace.drop_runs = false;
    EXPECT_EQ(gis::import_study_area(*db, replace).countryID, 1);
}

}  // namespace
}  // namespace pravel

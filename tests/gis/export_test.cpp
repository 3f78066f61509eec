// Exports of study areas and results to GeoTIFF, GeoPackage and CSV, read
// back through GDAL, and the import of an exported area.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "gis/gis_export.h"
#include "gis/gis_files.h"
#include "gis/study_area_import.h"

namespace pravel {
namespace {

using testing::kNone;
using Rows = std::vector<std::vector<std::string>>;

const char* kPixelColumns =
    "matrix_i, matrix_j, x_coordinate, y_coordinate, drained, wet, fresh, dry, altitude, grassland_economic_value, "
    "grassland_economic_value_random, cropland_economic_value, cropland_economic_value_random, land_use_type, "
    "policy_status_grass_cropland, manure_status_grass_cropland, number_of_grassland_types, grasslandtyp1, "
    "grasslandtyp2, OHG, farmtype, farmhouse_distance, fertilization_reduction, subclassification, settlement, "
    "forest, water_inland, mead_past_mow";

class GisExportTest : public testing::DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        schema().exec("INSERT INTO grasslandtype (grasslandtypeID) VALUES (1), (2), (3)");
    }

    // An area written as the demo writes its areas: no georeference, 90 m
    // cells whose coordinates are x0 + 90 j and y0 - 90 i, word codes in a
    // text column, two rows of three cells with one cell left out.
    void insert_plain_area() {
        schema().exec("INSERT INTO country VALUES (5, 'Plain', 12)");
        schema().exec("INSERT INTO matrix_referenz VALUES (5, 2, 3, 90, 90)");
        schema().exec(
            "INSERT INTO pixel (pixelID, countryID, country, matrix_i, matrix_j, x_coordinate, y_coordinate, wet, "
            "dry, altitude, land_use_type, grasslandtyp1, number_of_grassland_types, subclassification, drained, "
            "farmhouse_distance) VALUES "
            "(50, 5, 'Plain', 0, 0, 3440000, 5870000, 0.75, 0.25, 12, '4', 2, 1, 'valley', 1, 3), "
            "(51, 5, 'Plain', 0, 1, 3440090, 5870000, 0.1, 0, 0, '3', 3, 1, 'river', 0, 1), "
            "(52, 5, 'Plain', 1, 0, 3440000, 5869910, 0, 1, 7, '1', 0, 0, '', 0, 0), "
            "(53, 5, 'Plain', 1, 2, 3440180, 5869910, 0, 0, 0, '7', 0, 0, 'river', 0, 0)");
    }

    Rows pixel_rows(int country_id) {
        return schema().rows(std::string("SELECT ") + kPixelColumns + " FROM pixel WHERE countryID = " +
                             std::to_string(country_id) + " ORDER BY matrix_i, matrix_j");
    }

    static const gis::ReadBand& band(const std::vector<gis::ReadBand>& bands, const std::string& name) {
        for (const auto& b : bands) {
            if (b.description == name) return b;
        }
        throw std::runtime_error("no band " + name);
    }

    // A configuration of area 5: pixel 50 with measure 10, pixel 51 with 11.
    void insert_configuration() {
        schema().exec("INSERT INTO species (speciesID, name) VALUES (3, 'Kievit'), (4, 'Uferschnepfe')");
        schema().exec("INSERT INTO configuration VALUES (1700000000, 10, 120.5, 3, 'run', 5), "
                      "(1700000000, 11, 80, 2, 'run', 5)");
        schema().exec("INSERT INTO result VALUES (50, 1700000000, 10, 35.25), (51, 1700000000, 11, -4)");
        schema().exec("INSERT INTO resulting_quality VALUES (50, 1700000000, 3, 0.5), (50, 1700000000, 4, 0.75), "
                      "(51, 1700000000, 3, 0.125)");
    }

    std::string out(const std::string& name) {
        const std::string path = testing::gis_scratch(name);
        std::filesystem::remove(path);
        std::filesystem::remove(path + ".aux.xml");
        return path;
    }
};

TEST_F(GisExportTest, AnAreaWithoutGeoreferenceIsPlacedByItsPixelCoordinatesAndImportsBackUnchanged) {
    insert_plain_area();
    const std::string tif = out("plain.tif");
    {
        auto db = connect();
        gis::export_study_area(*db, "Plain", tif);
    }
    gis::GridGeometry grid;
    const auto bands = gis::read_all_bands(tif, &grid);
    EXPECT_EQ(bands.size(), pixel_data_columns().size());
    EXPECT_EQ(grid.rows, 2);
    EXPECT_EQ(grid.columns, 3);
    // Cell (0, 0) is centred on (3440000, 5870000).
    EXPECT_EQ(grid.transform, (std::array<double, 6>{3439955, 90, 0, 5870045, 0, -90}));
    EXPECT_EQ(grid.spatial_reference, "");
    const auto& wet = band(bands, "wet");
    ASSERT_TRUE(wet.no_data);
    EXPECT_EQ(wet.values, (std::vector<double>{0.75, 0.1, *wet.no_data, 0, *wet.no_data, 0}));
    EXPECT_EQ(band(bands, "land_use_type").values[1], 3.0);
    const auto& zone = band(bands, "subclassification");
    EXPECT_EQ(zone.categories, (std::vector<std::string>{"", "river", "valley"}));
    EXPECT_EQ(zone.values[0], 2.0);

    gis::ImportOptions o;
    o.name = "Plain again";
    o.growth_start = 12;
    o.layers = gis::bands_named_after_columns(tif);
    auto db = connect();
    const gis::ImportResult r = gis::import_study_area(*db, o);
    EXPECT_EQ(pixel_rows(r.countryID), pixel_rows(5));
    EXPECT_EQ(schema().scalar("SELECT COUNT(*) FROM country_georeference"), "1");
}

TEST_F(GisExportTest, AnImportedAreaExportsItsBandsWithItsGeoreferenceAndRoundTrips) {
    gis::ImportOptions o;
    o.name = "Testau";
    o.growth_start = 12;
    o.layers = {{"land_use_type", testing::write_raster("lu.tif", {4, 4, 3, kNone, 4, 1, 4, 4, kNone, 4, 4, 4}), ""},
                {"grasslandtyp1", testing::write_raster("t1.tif", {2, 2, 3, 3, 2, 0, 2, 2, 0, 0, 0, 0}), ""},
                {"dry", testing::write_raster("dry.tif", {0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0.25}), ""}};
    auto db = connect();
    const int first = gis::import_study_area(*db, o).countryID;
    const std::string tif = out("testau.tif");
    gis::export_study_area(*db, "Testau", tif);
    gis::GridGeometry grid;
    const auto bands = gis::read_all_bands(tif, &grid);
    ASSERT_EQ(bands.size(), 3u);
    EXPECT_EQ(bands[0].description, "land_use_type");
    EXPECT_EQ(bands[2].description, "dry");
    EXPECT_EQ(grid.transform, (std::array<double, 6>{500000, 25, 0, 5800000, 0, -25}));
    EXPECT_EQ(grid.spatial_reference, testing::wkt_of(25832));
    EXPECT_EQ(bands[2].values[11], 0.25);
    EXPECT_EQ(bands[0].values[3], *bands[0].no_data);

    o.name = "Testau again";
    o.layers = gis::bands_named_after_columns(tif);
    const int second = gis::import_study_area(*db, o).countryID;
    EXPECT_EQ(pixel_rows(second), pixel_rows(first));
    EXPECT_EQ(schema().rows("SELECT x, y FROM contour WHERE countryID = " + std::to_string(second) + " ORDER BY id"),
              schema().rows("SELECT x, y FROM contour WHERE countryID = " + std::to_string(first) + " ORDER BY id"));
}

TEST_F(GisExportTest, AConfigurationIsWrittenAsBandsFeaturesAndLines) {
    insert_plain_area();
    insert_configuration();
    auto db = connect();
    gis::ResultExportOptions options;
    options.configuration = 1700000000;

    options.out = out("run.tif");
    EXPECT_EQ(gis::export_results(*db, options), 2);
    gis::GridGeometry grid;
    const auto bands = gis::read_all_bands(options.out, &grid);
    EXPECT_EQ(grid.transform, (std::array<double, 6>{3439955, 90, 0, 5870045, 0, -90}));
    ASSERT_EQ(bands.size(), 5u);
    const double nd = *bands[0].no_data;
    EXPECT_EQ(bands[0].description, "measureID");
    EXPECT_EQ(bands[0].values, (std::vector<double>{10, 11, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "payment").values, (std::vector<double>{120.5, 80, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "payment - cost").values, (std::vector<double>{35.25, -4, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "quality_3").values, (std::vector<double>{0.5, 0.125, nd, nd, nd, nd}));
    EXPECT_EQ(band(bands, "quality_4").values, (std::vector<double>{0.75, nd, nd, nd, nd, nd}));

    options.out = out("run.csv");
    gis::export_results(*db, options);
    std::ifstream csv(options.out);
    std::vector<std::string> lines;
    for (std::string l; std::getline(csv, l);) lines.push_back(l);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "pixelID,row,column,x,y,measureID,payment,payment_minus_cost,quality_3,quality_4",
                         "50,0,0,3440000,5870000,10,120.5,35.25,0.5,0.75",
                         "51,0,1,3440090,5870000,11,80,-4,0.125,"}));

    options.out = out("run.gpkg");
    gis::export_results(*db, options);
    GDALDatasetUniquePtr ds(GDALDataset::Open(options.out.c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(ds);
    OGRLayer* layer = ds->GetLayerByName("results");
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetFeatureCount(), 2);
    std::vector<std::string> fields;
    for (int k = 0; k < layer->GetLayerDefn()->GetFieldCount(); ++k) {
        fields.push_back(layer->GetLayerDefn()->GetFieldDefn(k)->GetNameRef());
    }
    EXPECT_EQ(fields, (std::vector<std::string>{"pixelID", "measureID", "payment", "payment_minus_cost", "quality_3",
                                                "quality_4"}));
    layer->ResetReading();
    OGRFeatureUniquePtr second;
    for (int k = 0; k < 2; ++k) second.reset(layer->GetNextFeature());
    EXPECT_EQ(second->GetFieldAsInteger("pixelID"), 51);
    EXPECT_EQ(second->GetFieldAsDouble("payment_minus_cost"), -4.0);
    EXPECT_TRUE(second->IsFieldNull(second->GetFieldIndex("quality_4")));
    OGREnvelope box;
    second->GetGeometryRef()->getEnvelope(&box);
    EXPECT_EQ(box.MinX, 3440045);
    EXPECT_EQ(box.MaxX, 3440135);
    EXPECT_EQ(box.MinY, 5869955);
    EXPECT_EQ(box.MaxY, 5870045);
}

TEST_F(GisExportTest, TheLatestResultsWithSeveralMeasuresPerPixelNeedAMeasureForAGeoTiff) {
    insert_plain_area();
    for (const char* values : {"(10, 'mow', 3, 'Kievit', 0.5, 50, 0, 0, 3440000, 5870000, -12, 0, 5)",
                               "(11, 'graze', 3, 'Kievit', 0.25, 50, 0, 0, 3440000, 5870000, -20, 0, 5)",
                               "(11, 'graze', 3, 'Kievit', 0.375, 53, 1, 2, 3440180, 5869910, -8, 0, 5)"}) {
        schema().exec(std::string("INSERT INTO results_for_viusualitsation VALUES ") + values);
    }
    auto db = connect();
    gis::ResultExportOptions options;
    options.out = out("latest.tif");
    EXPECT_THROW(gis::export_results(*db, options), gis::GisRefusal);
    EXPECT_FALSE(std::filesystem::exists(options.out));

    options.measure = 11;
    EXPECT_EQ(gis::export_results(*db, options), 2);
    const auto bands = gis::read_all_bands(options.out);
    const double nd = *bands[0].no_data;
    EXPECT_EQ(band(bands, "quality_3").values, (std::vector<double>{0.25, nd, nd, nd, nd, 0.375}));
    EXPECT_EQ(band(bands, "payment - cost").values, (std::vector<double>{-20, nd, nd, nd, nd, -8}));

    options.measure.reset();
    options.out = out("latest.csv");
    EXPECT_EQ(gis::export_results(*db, options), 3);
}

TEST_F(GisExportTest, RefusalsWriteNoFile) {
    insert_plain_area();
    insert_configuration();
    auto db = connect();
    struct Case {
        const char* what;
        std::optional<int> configuration;
        std::optional<int> measure;
        std::string file;
    };
    const Case cases[] = {
        {"unknown configuration", 42, std::nullopt, "none.tif"},
        {"unknown format", 1700000000, std::nullopt, "run.png"},
        {"measure not in the results", 1700000000, 99, "run99.gpkg"},
        {"latest results empty", std::nullopt, std::nullopt, "latest.gpkg"},
    };
    for (const auto& c : cases) {
        gis::ResultExportOptions options;
        options.configuration = c.configuration;
        options.measure = c.measure;
        options.out = out(c.file);
        try {
            gis::export_results(*db, options);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const gis::GisRefusal& e) {
            EXPECT_NE(std::string(e.what()).find(c.file), std::string::npos) << c.what << ": " << e.what();
        }
        EXPECT_FALSE(std::filesystem::exists(options.out)) << c.what;
    }
    EXPECT_THROW(gis::export_study_area(*db, "Nowhere", out("nowhere.tif")), gis::GisRefusal);
    EXPECT_THROW(gis::export_study_area(*db, "Plain", out("plain.gpkg")), gis::GisRefusal);
    for (const auto& entry : std::filesystem::directory_iterator(testing::gis_scratch(""))) {
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
    }
}

TEST_F(GisExportTest, LatestResultsOfSeveralAreasRunsOrAReplacedAreaAreRefusedSayingWhat) {
    insert_plain_area();
    schema().exec("INSERT INTO country VALUES (6, 'Other', 12)");
    schema().exec("INSERT INTO matrix_referenz VALUES (6, 1, 1, 90, 90)");
    schema().exec("INSERT INTO pixel (pixelID, countryID, country) VALUES (60, 6, 'Other')");
    const std::string row50 = "(10, 'mow', 3, 'Kievit', 0.5, 50, 0, 0, 3440000, 5870000, -12, 0, 5)";
    const std::string row51 = "(10, 'mow', 3, 'Kievit', 0.25, 51, 0, 1, 3440090, 5870000, -12, 0, 5)";
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        std::string says;  // empty: exported
    };
    const Case cases[] = {
        {"one run", {row50, row51}, ""},
        {"two areas",
         {row50, "(10, 'mow', 3, 'Kievit', 0.5, 60, 0, 0, 0, 0, -12, 0, 6)"},
         "results_for_viusualitsation holds the rows of more than one study area (countryID 5 \"Plain\", countryID 6 "
         "\"Other\")"},
        {"an area since removed",
         {row50, "(10, 'mow', 3, 'Kievit', 0.5, 70, 0, 0, 0, 0, -12, 0, 7)"},
         "(countryID 5 \"Plain\", countryID 7 (no longer stored))"},
        {"two runs on one area",
         {row50, row51, row50},
         "results_for_viusualitsation holds the rows of more than one run on study area countryID 5 \"Plain\" (1 "
         "pixel, measure and species entries appear more than once)"},
        {"a replaced area",
         {row50, "(10, 'mow', 3, 'Kievit', 0.5, 49, 0, 2, 3440180, 5870000, -12, 0, 5)"},
         "the rows of results_for_viusualitsation are stale: 1 of them name pixels that study area countryID 5 "
         "\"Plain\" no longer has"},
    };
    auto db = connect();
    for (const auto& c : cases) {
        schema().exec("DELETE FROM results_for_viusualitsation");
        for (const auto& r : c.rows) schema().exec("INSERT INTO results_for_viusualitsation VALUES " + r);
        for (const char* file : {"mixed.csv", "mixed.gpkg"}) {
            gis::ResultExportOptions options;
            options.out = out(file);
            try {
                gis::export_results(*db, options);
                EXPECT_EQ(c.says, "") << c.what << ": exported";
            } catch (const gis::GisRefusal& e) {
                EXPECT_NE(c.says, "") << c.what << ": " << e.what();
                EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.what << ": " << e.what();
                EXPECT_FALSE(std::filesystem::exists(options.out)) << c.what;
            }
        }
    }
}

TEST_F(GisExportTest, AConfigurationWhosePixelsWereReplacedIsRefusedAsStale) {
    insert_plain_area();
    insert_configuration();
    schema().exec("DELETE FROM pixel WHERE pixelID = 51");
    auto db = connect();
    gis::ResultExportOptions options;
    options.configuration = 1700000000;
    options.out = out("stale.csv");
    try {
        gis::export_results(*db, options);
        ADD_FAILURE() << "exported";
    } catch (const gis::GisRefusal& e) {
        EXPECT_NE(std::string(e.what()).find("configuration 1700000000 is stale: 1 of its pixel results"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(options.out));
}

// Where the GeoTIFF and GeoPackage writers put their file: links followed,
// FIFOs written directly, folders refused, permissions kept.
class ExportPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = testing::gis_scratch("paths-" + std::string(
                                                   ::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string at(const std::string& name) const { return dir_ + "/" + name; }

    static void write(const std::string& path, const std::string& ext) {
        gis::GridGeometry grid;
        grid.rows = 1;
        grid.columns = 2;
        grid.transform = {1000.0, 10.0, 0.0, 2000.0, 0.0, -10.0};
        if (ext == ".tif") {
            gis::OutputBand band;
            band.description = "values";
            band.values = {1.0, 2.0};
            gis::write_geotiff(path, grid, {band});
        } else {
            gis::write_geopackage(path, "results", grid, {{"pixelID", true}}, {{0, 1, {7.0}}});
        }
    }

    static std::string head(const std::string& path, std::size_t n) {
        std::ifstream in(path, std::ios::binary);
        std::string s(n, '\0');
        in.read(s.data(), static_cast<std::streamsize>(n));
        s.resize(static_cast<std::size_t>(in.gcount()));
        return s;
    }
    // The first bytes of a GeoTIFF (little-endian TIFF) or a GeoPackage (SQLite).
    static std::string magic(const std::string& ext) {
        return ext == ".tif" ? std::string("II*\0", 4) : std::string("SQLite format 3");
    }

    std::string dir_;
};

TEST_F(ExportPathTest, LinksAreFollowedFifosWrittenDirectlyAndFoldersRefused) {
    namespace fs = std::filesystem;
    for (const std::string ext : {".tif", ".gpkg"}) {
        // A link to a file: the file is replaced, keeping its permissions,
        // and the link stays.
        {
            const std::string real = at("real" + ext), link = at("link" + ext);
            std::ofstream(real) << "old";
            fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
            fs::create_symlink("real" + ext, link);
            write(link, ext);
            EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link))) << ext;
            EXPECT_EQ(head(real, magic(ext).size()), magic(ext)) << ext;
            EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
                << ext;
        }
        // A dangling link: its target is created.
        {
            const std::string made = at("made" + ext), link = at("dangling" + ext);
            fs::create_symlink("made" + ext, link);
            write(link, ext);
            EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link))) << ext;
            EXPECT_EQ(head(made, magic(ext).size()), magic(ext)) << ext;
        }
        // A FIFO: a reader gets the file, and the FIFO stays one. The reader
        // does not wait for a writer, so a writer that replaced the FIFO
        // cannot leave it waiting.
        {
            const std::string fifo = at("pipe" + ext);
            ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
            const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            ASSERT_GE(fd, 0);
            std::atomic<bool> finished{false};
            auto reader = std::async(std::launch::async, [&] {
                std::string got;
                char buffer[65536];
                for (;;) {
                    const ssize_t n = ::read(fd, buffer, sizeof buffer);
                    if (n > 0) {
                        got.append(buffer, static_cast<std::size_t>(n));
                    } else if (n == 0 && finished) {
                        return got;
                    } else {
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    }
                }
            });
            try {
                write(fifo, ext);
            } catch (const std::exception& e) {
                ADD_FAILURE() << ext << ": " << e.what();
            }
            finished = true;
            const std::string got = reader.get();
            ::close(fd);
            EXPECT_EQ(got.substr(0, magic(ext).size()), magic(ext)) << ext;
            EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo))) << ext;
        }
        // A folder is refused and stays as it was.
        {
            const std::string folder = at("folder" + ext);
            fs::create_directories(folder);
            try {
                write(folder, ext);
                ADD_FAILURE() << ext << ": wrote over a folder";
            } catch (const gis::GisRefusal& e) {
                EXPECT_NE(std::string(e.what()).find("is a folder"), std::string::npos) << e.what();
            }
            EXPECT_TRUE(fs::is_directory(folder)) << ext;
            EXPECT_TRUE(fs::is_empty(folder)) << ext;
        }
    }
    // Nothing of the tool's own is left behind.
    for (const auto& entry : fs::directory_iterator(dir_)) {
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();
    }
}

TEST_F(ExportPathTest, TemporariesOfKilledExportsAreRemovedAndThoseOfRunningOnesKept) {
    namespace fs = std::filesystem;
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    // A process that has ended.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string dead = std::to_string(child), alive = std::to_string(::getppid());
    const std::vector<std::string> stale = {
        ".results.partial-" + std::string(host) + "-" + dead + ".gpkg",
        ".results.partial-" + std::string(host) + "-" + dead + ".gpkg-journal",
        ".area.partial-" + dead + ".tif",
        ".area.partial-" + dead + ".tif.aux.xml",
    };
    const std::vector<std::string> kept = {
        ".results.partial-" + std::string(host) + "-" + alive + ".gpkg",
        ".results.partial-elsewhere-" + dead + ".gpkg",
        ".notes.partial-" + dead + ".txt",
    };
    for (const auto& name : stale) std::ofstream(at(name)) << std::string(1000, 'x');
    for (const auto& name : kept) std::ofstream(at(name)) << "in use";
    write(at("results.gpkg"), ".gpkg");
    for (const auto& name : stale) EXPECT_FALSE(fs::exists(at(name))) << name;
    for (const auto& name : kept) EXPECT_TRUE(fs::exists(at(name))) << name;
    EXPECT_EQ(head(at("results.gpkg"), 15), magic(".gpkg"));
}

}  // namespace
}  // namespace pravel

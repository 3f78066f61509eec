#include "support/test_database.h"

#include "store/sql_script.h"

#include <cppconn/resultset.h>
#include <cppconn/resultset_metadata.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pravel::testing {

namespace fs = std::filesystem;

ThrowingExitHook::ThrowingExitHook()
    : previous_(set_database_exit_hook([](int status) { throw DatabaseExit(status); })) {}

ThrowingExitHook::~ThrowingExitHook() { set_database_exit_hook(previous_); }

std::string server_config_path() {
    if (const char* env = std::getenv("PRAVEL_TEST_DB_CONFIG")) return env;
    return PRAVEL_TEST_DB_CONFIG;
}

std::string scratch_dir() {
    const fs::path dir = fs::path(PRAVEL_TEST_WORK_DIR) / std::to_string(::getpid());
    fs::create_directories(dir);
    return dir.string();
}

std::string write_scratch_file(const std::string& name, const std::string& content) {
    const fs::path p = fs::path(scratch_dir()) / name;
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
    return p.string();
}

namespace {

std::vector<std::string> read_lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string sanitise(const std::string& label) {
    std::string s;
    for (char c : label) s.push_back(std::isalnum(static_cast<unsigned char>(c)) ? std::tolower(c) : '_');
    return s.substr(0, 40);
}

}  // namespace

TestSchema::TestSchema(const std::string& label) {
    const auto lines = read_lines(server_config_path());
    if (lines.size() < 4) {
        throw std::runtime_error("test database settings missing: " + server_config_path() +
                                 " (the tests start the server through ctest)");
    }
    name_ = lines[3] + "_" + sanitise(label) + "_" + std::to_string(::getpid());
    config_path_ = write_scratch_file(name_ + ".cfg", lines[0] + "\n" + lines[1] + "\n" + lines[2] + "\n" +
                                                          name_ + "\n");
    {
        DatabaseAccess base(server_config_path());
        base.update("DROP DATABASE IF EXISTS `" + name_ + "`");
        base.update("CREATE DATABASE `" + name_ + "` CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci");
    }
    admin_ = std::make_unique<DatabaseAccess>(config_path_);
    admin_->set_statement_log(nullptr);
    if (!run_sql_script(*admin_, PRAVEL_SCHEMA_SQL)) throw std::runtime_error("cannot read " PRAVEL_SCHEMA_SQL);
    set_database_config_path(config_path_);
}

TestSchema::~TestSchema() {
    try {
        admin_->update("DROP DATABASE IF EXISTS `" + name_ + "`");
    } catch (...) {
    }
    set_database_config_path("db_config.txt");
}

void TestSchema::exec(const std::string& statement) { admin_->update(statement); }

std::vector<std::vector<std::string>> TestSchema::rows(const std::string& statement) {
    std::vector<std::vector<std::string>> out;
    admin_->query(statement, [&](sql::ResultSet& rs) {
        auto* meta = const_cast<sql::ResultSetMetaData*>(rs.getMetaData());
        std::vector<std::string> row;
        for (unsigned i = 1; i <= meta->getColumnCount(); ++i) {
            row.push_back(rs.isNull(i) ? std::string("NULL") : std::string(rs.getString(i)));
        }
        out.push_back(std::move(row));
    });
    return out;
}

std::string TestSchema::scalar(const std::string& statement) {
    const auto r = rows(statement);
    return r.empty() || r[0].empty() ? std::string() : r[0][0];
}

long long TestSchema::count(const std::string& table) {
    return std::stoll(scalar("SELECT COUNT(*) FROM `" + table + "`"));
}

void TestSchema::clear_all() {
    std::vector<std::string> tables;
    admin_->query("SHOW TABLES", [&](sql::ResultSet& rs) { tables.push_back(rs.getString(1)); });
    for (const auto& t : tables) admin_->update("DELETE FROM `" + t + "`");
}

std::unique_ptr<TestSchema> DatabaseTest::schema_;

void DatabaseTest::SetUpTestSuite() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_suite();
    schema_ = std::make_unique<TestSchema>(info ? info->name() : "suite");
}

void DatabaseTest::TearDownTestSuite() { schema_.reset(); }

void DatabaseTest::SetUp() {
    notifier_ = std::make_shared<RecordingNotifier>();
    notifier_guard_ = std::make_unique<ScopedNotifier>(notifier_);
    hook_ = std::make_unique<ThrowingExitHook>();
    if (!keep_tables_between_tests_) schema_->clear_all();
    set_database_config_path(schema_->config_path());
    sent_ = std::make_shared<std::vector<std::string>>();
    auto sink = sent_;
    DatabaseAccess::set_default_statement_log([sink](const std::string& s) { sink->push_back(s); });
}

void DatabaseTest::TearDown() {
    DatabaseAccess::set_default_statement_log(nullptr);
    hook_.reset();
    notifier_guard_.reset();
}

std::unique_ptr<DatabaseAccess> DatabaseTest::connect() {
    return std::make_unique<DatabaseAccess>(schema_->config_path());
}

}  // namespace pravel::testing

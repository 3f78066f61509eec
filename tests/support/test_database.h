#pragma once
// Test support: a fresh schema on the throwaway server for each test suite,
// a recording notifier, and an exit hook that throws instead of ending the
// test program.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/notifier.h"
#include "store/database_access.h"

namespace pravel::testing {

// Thrown by the test exit hook in place of ending the process.
struct DatabaseExit : std::runtime_error {
    explicit DatabaseExit(int s) : std::runtime_error("database exit"), status(s) {}
    int status;
};

// Installs a throwing exit hook for its lifetime.
class ThrowingExitHook {
public:
    ThrowingExitHook();
    ~ThrowingExitHook();

private:
    DatabaseExitHook previous_;
};

// Settings file of the throwaway server (host, user, password, base schema).
std::string server_config_path();
// A folder the tests may write settings files and other scratch files into.
std::string scratch_dir();
// Writes `content` to a file in the scratch folder and returns its path.
std::string write_scratch_file(const std::string& name, const std::string& content);

// Makes a fresh schema from sql/schema.sql, writes a settings file for it and
// makes that file the one new connections read.
class TestSchema {
public:
    explicit TestSchema(const std::string& label);
    ~TestSchema();

    const std::string& name() const { return name_; }
    const std::string& config_path() const { return config_path_; }

    // An administrative connection to the schema, for preparing rows and
    // reading them back (not logged).
    DatabaseAccess& admin() { return *admin_; }

    void exec(const std::string& statement);
    // Rows of a statement, each as its column texts in order (NULL as "NULL").
    std::vector<std::vector<std::string>> rows(const std::string& statement);
    // The first column of the first row as text, or "" when there is none.
    std::string scalar(const std::string& statement);
    long long count(const std::string& table);
    // Empties every table of the schema.
    void clear_all();

private:
    std::string name_;
    std::string config_path_;
    std::unique_ptr<DatabaseAccess> admin_;
};

// Base fixture for tests against the server: one schema per suite, every table
// emptied before each test, a recording notifier and a throwing exit hook, and
// a log of the statements sent through connections made during the test.
class DatabaseTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    TestSchema& schema() { return *schema_; }
    // Suites that load shared data once set this in their constructor.
    bool keep_tables_between_tests_ = false;
    RecordingNotifier& messages() { return *notifier_; }
    // Statements sent by connections opened during this test.
    const std::vector<std::string>& sent() const { return *sent_; }
    void clear_sent() { sent_->clear(); }
    // A connection to the suite's schema whose statements are logged.
    std::unique_ptr<DatabaseAccess> connect();

private:
    static std::unique_ptr<TestSchema> schema_;
    std::shared_ptr<RecordingNotifier> notifier_;
    std::unique_ptr<ScopedNotifier> notifier_guard_;
    std::unique_ptr<ThrowingExitHook> hook_;
    std::shared_ptr<std::vector<std::string>> sent_;
};

}  // namespace pravel::testing

#include <cppconn/resultset.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "support/test_database.h"

namespace pravel {
namespace {

using testing::DatabaseExit;
using testing::DatabaseTest;
using Kind = RecordingNotifier::Kind;

class DatabaseAccessTest : public DatabaseTest {
protected:
    // The four lines of the suite's own settings file.
    std::vector<std::string> good_lines() {
        std::ifstream in(schema().config_path());
        std::vector<std::string> lines;
        std::string l;
        while (std::getline(in, l)) lines.push_back(l);
        return lines;
    }
    // Opens a connection from a settings file and returns the exit status
    // (-1 when the connection opened).
    int open_with(const std::string& path) {
        try {
            DatabaseAccess db(path);
            return -1;
        } catch (const DatabaseExit& e) {
            return e.status;
        }
    }
};

TEST_F(DatabaseAccessTest, IncompleteOrMissingSettingsCloseWithoutConnecting) {
    const auto l = good_lines();
    struct Case {
        const char* label;
        std::optional<std::string> content;  // nullopt: no file
    } cases[] = {
        {"missing", std::nullopt},
        {"empty", std::string()},
        {"three lines, no final line end", l[0] + "\n" + l[1] + "\n" + l[2]},
        {"two lines with line end", l[0] + "\n" + l[1] + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        messages().clear();
        std::string path = testing::scratch_dir() + "/absent.cfg";
        std::remove(path.c_str());
        if (c.content) path = testing::write_scratch_file("partial.cfg", *c.content);
        EXPECT_EQ(open_with(path), 1);
        ASSERT_EQ(messages().messages().size(), 1u);
        EXPECT_EQ(messages().messages()[0].kind, Kind::Inform);
        EXPECT_EQ(messages().messages()[0].text, kConfigClosingMessage);
    }
}

TEST_F(DatabaseAccessTest, FourLinesWithoutFinalLineEndConnect) {
    const auto l = good_lines();
    const auto path = testing::write_scratch_file("nofinal.cfg", l[0] + "\n" + l[1] + "\n" + l[2] + "\n" + l[3]);
    DatabaseAccess db(path);
    EXPECT_EQ(db.schema(), l[3]);
    EXPECT_EQ(db.host(), l[0]);
    EXPECT_TRUE(messages().messages().empty());
}

TEST_F(DatabaseAccessTest, SettingsWrittenWithCrLfConnect) {
    const auto l = good_lines();
    const auto path =
        testing::write_scratch_file("crlf.cfg", l[0] + "\r\n" + l[1] + "\r\n" + l[2] + "\r\n" + l[3] + "\r\n");
    DatabaseAccess db(path);
    EXPECT_EQ(db.password(), l[2]);
}

TEST_F(DatabaseAccessTest, RefusedConnectionShowsDriverTextThenClosingMessage) {
    const auto l = good_lines();
    struct Case {
        const char* label;
        std::string content;
        const char* driver_text_part;
    } cases[] = {
        {"wrong password", l[0] + "\n" + l[1] + "\nnot-the-password\n" + l[3] + "\n", "Access denied"},
        // Three lines and a final line end count as complete, with an empty
        // schema that the server refuses.
        {"three lines with final line end", l[0] + "\n" + l[1] + "\n" + l[2] + "\n", ""},
        {"unknown schema", l[0] + "\n" + l[1] + "\n" + l[2] + "\npravel_no_such_schema\n", "pravel_no_such_schema"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        messages().clear();
        EXPECT_EQ(open_with(testing::write_scratch_file("refused.cfg", c.content)), 1);
        const auto& m = messages().messages();
        ASSERT_EQ(m.size(), 2u);
        EXPECT_EQ(m[0].kind, Kind::YesNo);
        EXPECT_NE(m[0].text.find(c.driver_text_part), std::string::npos) << m[0].text;
        EXPECT_EQ(m[1].kind, Kind::Inform);
        EXPECT_EQ(m[1].text, kConnectionClosingMessage);
    }
}

TEST_F(DatabaseAccessTest, MapConnectionUsesItsOwnClosingMessage) {
    EXPECT_THROW(DatabaseAccess(testing::scratch_dir() + "/nothing-here.cfg", DatabaseAccess::Owner::Map),
                 DatabaseExit);
    ASSERT_EQ(messages().texts().size(), 1u);
    EXPECT_EQ(messages().texts()[0], kMapClosingMessage);
}

TEST_F(DatabaseAccessTest, FailingStatementIsFatalWithDriverText) {
    auto db = connect();
    try {
        db->update("INSERT INTO no_such_table VALUES (1)");
        FAIL() << "a failing statement must end the program";
    } catch (const DatabaseExit& e) {
        EXPECT_EQ(e.status, 1);
    }
    const auto& m = messages().messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].kind, Kind::YesNo);
    EXPECT_NE(m[0].text.find("no_such_table"), std::string::npos);
    EXPECT_EQ(m[1].text, kConnectionClosingMessage);
    ASSERT_EQ(sent().size(), 1u);
    EXPECT_EQ(sent()[0], "INSERT INTO no_such_table VALUES (1)");
}

TEST_F(DatabaseAccessTest, ListQueryWithoutResultSetShowsNotice) {
    auto db = connect();
    int rows = 0;
    EXPECT_FALSE(db->list_query("SET @unused = 1", "no species found", [&](sql::ResultSet&) { ++rows; }));
    ASSERT_EQ(messages().messages().size(), 1u);
    EXPECT_EQ(messages().messages()[0].kind, Kind::YesNo);
    EXPECT_EQ(messages().messages()[0].text, "no species found");

    messages().clear();
    EXPECT_TRUE(db->list_query("SELECT name FROM country", "no country found in database",
                               [&](sql::ResultSet&) { ++rows; }));
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(messages().messages().empty()) << "an empty result set is not a missing one";
}

TEST_F(DatabaseAccessTest, ReportingQueryReturnsErrorTextAndGoesOn) {
    auto db = connect();
    const std::string rows = "SELECT 7 AS n, 2.5 AS d, 'Gro\xC3\x9F' AS s UNION ALL SELECT 8, 3.5, 'x'";
    struct Case {
        const char* label;
        std::string statement;
        const char* second_column;  // read after "n" in every row
        std::vector<int> read;      // the "n" of the rows read before it ended
        const char* error_part;     // null: no error; "": any driver text
    } cases[] = {
        {"rows", rows, "s", {7, 8}, nullptr},
        {"failing statement", "SELECT * FROM no_such_table", "s", {}, "no_such_table"},
        {"unknown column while reading", rows, "missing", {7}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        messages().clear();
        std::vector<int> read;
        std::vector<std::string> texts;
        const auto error = db->try_query(c.statement, [&](const QueryRow& row) {
            read.push_back(row.get_int("n"));
            texts.push_back(row.get_string(c.second_column));
        });
        EXPECT_EQ(read, c.read);
        if (c.error_part) {
            ASSERT_TRUE(error.has_value());
            EXPECT_FALSE(error->empty());
            EXPECT_NE(error->find(c.error_part), std::string::npos) << *error;
        } else {
            EXPECT_FALSE(error.has_value()) << *error;
            EXPECT_EQ(texts, (std::vector<std::string>{"Gro\xC3\x9F", "x"}));
        }
        EXPECT_TRUE(messages().messages().empty()) << "a reporting query shows nothing itself";
        EXPECT_EQ(sent().back(), c.statement);
    }
    // The connection still serves statements after the failures.
    double d = 0;
    EXPECT_FALSE(db->try_query(rows, [&](const QueryRow& row) { d += row.get_double("d"); }).has_value());
    EXPECT_DOUBLE_EQ(d, 6.0);
}

TEST_F(DatabaseAccessTest, LastInsertIdFollowsGeneratedKey) {
    auto db = connect();
    db->update("INSERT INTO grassland (name_engl) VALUES ('x')");
    const int first = db->last_insert_id();
    db->update("INSERT INTO grassland (name_engl) VALUES ('y')");
    EXPECT_EQ(db->last_insert_id(), first + 1);
    EXPECT_GT(first, 0);
}

}  // namespace
}  // namespace pravel

#include "store/database_access.h"

#include <cppconn/driver.h>
#include <cppconn/exception.h>
#include <cppconn/resultset.h>
#include <cppconn/statement.h>
#include <mysql_connection.h>
#include <mysql_driver.h>

#include <cstdlib>
#include <fstream>

#include "common/notifier.h"

namespace pravel {

namespace {

std::string& config_path_ref() {
    static std::string path = "db_config.txt";
    return path;
}

DatabaseExitHook& exit_hook_ref() {
    static DatabaseExitHook hook = [](int status) { std::exit(status); };
    return hook;
}

StatementLog& default_log_ref() {
    static StatementLog log;
    return log;
}

[[noreturn]] void end_process(int status) {
    auto hook = exit_hook_ref();
    if (hook) hook(status);
    // A hook that returns must not let the caller continue on a failed
    // connection.
    std::exit(status);
}

// Reads the four lines of the settings file. A line is read only while the
// stream has not yet reached its end, so an empty file or one of fewer than
// three lines is incomplete, while three lines with a final line end give an
// empty fourth value.
bool read_config(const std::string& path, std::string* values[4]) {
    std::ifstream in(path);
    if (!in.is_open()) return false;
    bool complete = true;
    for (int i = 0; i < 4; ++i) {
        if (in.eof()) {
            complete = false;
            continue;
        }
        std::getline(in, *values[i]);
        // A file written with CR LF line ends reads as in text mode.
        if (!values[i]->empty() && values[i]->back() == '\r') values[i]->pop_back();
    }
    return complete;
}

}  // namespace

const std::string& database_config_path() { return config_path_ref(); }

void set_database_config_path(std::string path) { config_path_ref() = std::move(path); }

DatabaseExitHook set_database_exit_hook(DatabaseExitHook hook) {
    auto previous = exit_hook_ref();
    exit_hook_ref() = std::move(hook);
    return previous;
}

void DatabaseAccess::set_default_statement_log(StatementLog log) { default_log_ref() = std::move(log); }

namespace {
ConnectionLostHandler& lost_handler_ref() {
    static ConnectionLostHandler handler;
    return handler;
}
}  // namespace

ConnectionLostHandler set_connection_lost_handler(ConnectionLostHandler handler) {
    auto previous = lost_handler_ref();
    lost_handler_ref() = std::move(handler);
    return previous;
}

bool is_lost_connection(int error_code) {
    return error_code == 2002 || error_code == 2003 || error_code == 2006 || error_code == 2013;
}

bool DatabaseAccess::reconnect(std::string& error) noexcept {
    try {
        connection_.reset();
        sql::Driver* driver = get_driver_instance();
        connection_.reset(driver->connect(host_, user_, password_));
        connection_->setSchema(schema_);
        std::unique_ptr<sql::Statement> st(connection_->createStatement());
        st->execute("SET NAMES utf8mb4");
        return true;
    } catch (const sql::SQLException& e) {
        error = e.what();
    } catch (...) {
        error = "unknown error";
    }
    return false;
}

bool DatabaseAccess::retryAfter(int code, const std::string& driver_text, bool delivered) {
    const ConnectionLostHandler& handler = lost_handler_ref();
    // A transaction the server has rolled back, or rows already handed out,
    // cannot be taken up again statement by statement.
    if (!handler || !is_lost_connection(code) || transaction_depth_ > 0 || delivered) return false;
    std::string text = driver_text;
    for (;;) {
        if (!handler(text)) return false;
        if (reconnect(text)) return true;
    }
}

void database_fatal(const std::string& driver_text, const char* closing) {
    notifier().ask_yes_no(driver_text);
    notifier().inform(closing);
    end_process(1);
}

DatabaseAccess::DatabaseAccess() : DatabaseAccess(database_config_path()) {}

DatabaseAccess::DatabaseAccess(const std::string& config_path, Owner owner)
    : owner_(owner), log_(default_log_ref()) {
    std::string* values[4] = {&host_, &user_, &password_, &schema_};
    if (!read_config(config_path, values)) {
        notifier().inform(owner_ == Owner::Map ? kMapClosingMessage : kConfigClosingMessage);
        end_process(1);
    }
    try {
        sql::Driver* driver = get_driver_instance();
        connection_.reset(driver->connect(host_, user_, password_));
        connection_->setSchema(schema_);
        // Names such as "Großer Brachvogel" travel as UTF-8 both ways.
        std::unique_ptr<sql::Statement> st(connection_->createStatement());
        st->execute("SET NAMES utf8mb4");
    } catch (const sql::SQLException& e) {
        connection_.reset();
        fail(e.what());
    }
}

DatabaseAccess::~DatabaseAccess() {
    if (connection_) {
        try {
            connection_->close();
        } catch (const sql::SQLException&) {
            // Closing a connection the server already dropped is harmless.
        }
    }
}

void DatabaseAccess::log(const std::string& statement) const {
    if (log_) log_(statement);
}

void DatabaseAccess::fail(const std::string& driver_text) const {
    database_fatal(driver_text, owner_ == Owner::Map ? kMapClosingMessage : kConnectionClosingMessage);
}

void DatabaseAccess::query(const std::string& statement, const RowReader& read) {
    log(statement);
    for (;;) {
        std::unique_ptr<sql::Statement> st;
        std::unique_ptr<sql::ResultSet> rs;
        bool delivered = false;
        try {
            if (!connection_) throw sql::SQLException("not connected", "08003", 2006);
            st.reset(connection_->createStatement());
            rs.reset(st->executeQuery(statement));
            while (rs->next()) {
                delivered = true;
                read(*rs);
            }
            return;
        } catch (const sql::SQLException& e) {
            rs.reset();
            st.reset();
            if (!retryAfter(e.getErrorCode(), e.what(), delivered)) fail(e.what());
        }
    }
}

std::optional<std::string> DatabaseAccess::try_query(const std::string& statement, const QueryRowReader& read) {
    log(statement);
    if (!connection_) return std::string("not connected");
    try {
        std::unique_ptr<sql::Statement> st(connection_->createStatement());
        std::unique_ptr<sql::ResultSet> rs(st->executeQuery(statement));
        while (rs->next()) read(QueryRow(*rs));
    } catch (const sql::SQLException& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

int QueryRow::get_int(const std::string& column) const { return rs_.getInt(column); }

double QueryRow::get_double(const std::string& column) const { return static_cast<double>(rs_.getDouble(column)); }

std::string QueryRow::get_string(const std::string& column) const { return rs_.getString(column); }

bool DatabaseAccess::list_query(const std::string& statement, const std::string& notice, const RowReader& read) {
    log(statement);
    for (;;) {
        std::unique_ptr<sql::Statement> st;
        std::unique_ptr<sql::ResultSet> rs;
        bool delivered = false;
        try {
            if (!connection_) throw sql::SQLException("not connected", "08003", 2006);
            st.reset(connection_->createStatement());
            if (!st->execute(statement)) {
                if (!notice.empty()) notifier().ask_yes_no(notice);
                return false;
            }
            rs.reset(st->getResultSet());
            while (rs->next()) {
                delivered = true;
                read(*rs);
            }
            return true;
        } catch (const sql::SQLException& e) {
            rs.reset();
            st.reset();
            if (!retryAfter(e.getErrorCode(), e.what(), delivered)) fail(e.what());
        }
    }
}

int DatabaseAccess::update(const std::string& statement) {
    log(statement);
    for (;;) {
        try {
            if (!connection_) throw sql::SQLException("not connected", "08003", 2006);
            std::unique_ptr<sql::Statement> st(connection_->createStatement());
            return st->executeUpdate(statement);
        } catch (const sql::SQLException& e) {
            if (!retryAfter(e.getErrorCode(), e.what(), false)) fail(e.what());
        }
    }
}

namespace {

// Runs a statement whose rows, if any, are not wanted; they are read to the
// end, or the connection would refuse its next statement.
void run_discarding_rows(sql::Connection& connection, const std::string& statement) {
    std::unique_ptr<sql::Statement> st(connection.createStatement());
    if (!st->execute(statement)) return;
    std::unique_ptr<sql::ResultSet> rs(st->getResultSet());
    while (rs && rs->next()) {
    }
}

}  // namespace

void DatabaseAccess::execute(const std::string& statement) {
    log(statement);
    for (;;) {
        try {
            if (!connection_) throw sql::SQLException("not connected", "08003", 2006);
            run_discarding_rows(*connection_, statement);
            return;
        } catch (const sql::SQLException& e) {
            if (!retryAfter(e.getErrorCode(), e.what(), false)) fail(e.what());
        }
    }
}

// Only the outermost begin() and commit() reach the server: a store that runs
// its own transaction inside a caller's joins the caller's. A rollback at any
// depth undoes the whole transaction; the outer commit then fails rather than
// commit the statements that came after it.
void DatabaseAccess::begin() {
    if (transaction_depth_++ == 0) {
        rolled_back_ = false;
        execute("START TRANSACTION");
    }
}

void DatabaseAccess::commit() {
    if (transaction_depth_ > 0) --transaction_depth_;
    if (transaction_depth_ > 0) return;
    if (rolled_back_) {
        rolled_back_ = false;
        fail("the transaction was rolled back by an inner failure and cannot be committed");
    }
    execute("COMMIT");
}

void DatabaseAccess::rollback() noexcept {
    if (transaction_depth_ > 0) --transaction_depth_;
    if (!rolled_back_) try_execute("ROLLBACK");
    rolled_back_ = transaction_depth_ > 0;
}

bool DatabaseAccess::try_execute(const std::string& statement) noexcept {
    try {
        log(statement);
        if (!connection_) return false;
        run_discarding_rows(*connection_, statement);
        return true;
    } catch (...) {
        return false;
    }
}

int DatabaseAccess::last_insert_id() {
    int id = 0;
    query("SELECT LAST_INSERT_ID()", [&](sql::ResultSet& rs) { id = rs.getInt(1); });
    return id;
}

}  // namespace pravel

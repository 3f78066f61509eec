#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sql {
class Connection;
class ResultSet;
}  // namespace sql

namespace pravel {

// Closing messages of the data store.
inline constexpr const char* kConnectionClosingMessage =
    "The program is closing.\nCheck your database connection and make sure it isavailable \nthen restart the program.";
inline constexpr const char* kConfigClosingMessage =
    "The program is closing.\nMake sure the file db_config.txt exists and is \nconfigured correctly.\nRestart the program afterwards.";
// The map renderer's own connection closes with this text instead.
inline constexpr const char* kMapClosingMessage =
    "The program will shut down.\nMake sure the file db_config.txt exists and is \nconfigured correctly.\nRestart the program afterwards.";

// Where connections read their settings: "db_config.txt" in the working
// directory unless a caller (command-line tool, tests) points elsewhere.
const std::string& database_config_path();
void set_database_config_path(std::string path);

// Called with exit status 1 after a fatal database error has been shown. The
// default ends the process; tests install one that throws.
using DatabaseExitHook = std::function<void(int status)>;
DatabaseExitHook set_database_exit_hook(DatabaseExitHook hook);

// What a lost connection does where the program can wait for the server to
// come back (the desktop program): the handler tells the user, with the
// driver's text, and answers true to send the statement again on a new
// connection, false for the fatal path. Without a handler (the command-line
// tool), inside a transaction, or once a query has handed out rows, a lost
// connection is fatal as every other database error.
using ConnectionLostHandler = std::function<bool(const std::string& driver_text)>;
ConnectionLostHandler set_connection_lost_handler(ConnectionLostHandler handler);
// The driver's error codes of a connection that is gone or cannot be made:
// 2002, 2003 (cannot connect), 2006 (server gone away), 2013 (lost during a
// query).
bool is_lost_connection(int error_code);

// Receives the text of every statement sent through a DatabaseAccess.
using StatementLog = std::function<void(const std::string& statement)>;

// Shows the driver's error text (Yes/No box, answer unused) and the closing
// message, then ends the process through the exit hook. Never returns.
[[noreturn]] void database_fatal(const std::string& driver_text,
                                 const char* closing = kConnectionClosingMessage);

// One row of a reporting query, read by column name. A value that cannot be
// read (an unknown column, say) fails the query like a failed statement.
class QueryRow {
public:
    explicit QueryRow(sql::ResultSet& rs) : rs_(rs) {}
    int get_int(const std::string& column) const;
    double get_double(const std::string& column) const;
    std::string get_string(const std::string& column) const;

private:
    sql::ResultSet& rs_;
};

// One open connection plus the four settings of db_config.txt. Every data
// operation of the store runs on one. Construction either succeeds or ends the
// process (through the exit hook) after showing why.
class DatabaseAccess {
public:
    enum class Owner { Store, Map };

    DatabaseAccess();
    explicit DatabaseAccess(const std::string& config_path, Owner owner = Owner::Store);
    ~DatabaseAccess();
    DatabaseAccess(const DatabaseAccess&) = delete;
    DatabaseAccess& operator=(const DatabaseAccess&) = delete;

    const std::string& host() const { return host_; }
    const std::string& user() const { return user_; }
    const std::string& password() const { return password_; }
    const std::string& schema() const { return schema_; }

    using RowReader = std::function<void(sql::ResultSet& row)>;

    // A reading query (executeQuery): `read` is called for every row.
    void query(const std::string& statement, const RowReader& read);

    // A list query (execute): when the statement produces no result set the
    // notice is shown (Yes/No box) and false returned; otherwise `read` is
    // called for every row of the result set. An empty notice shows nothing.
    bool list_query(const std::string& statement, const std::string& notice, const RowReader& read);

    // A reporting query (executeQuery) that does not end the program: `read`
    // is called for every row; on a database error, the statement's or one
    // raised while reading a row, the rows already read stay read and the
    // driver's error text is returned. Nothing is shown. None on success.
    using QueryRowReader = std::function<void(const QueryRow& row)>;
    std::optional<std::string> try_query(const std::string& statement, const QueryRowReader& read);

    // An insert, delete or truncate (executeUpdate); the affected row count.
    int update(const std::string& statement);

    // "SELECT LAST_INSERT_ID()" on this connection.
    int last_insert_id();

    // Transactions: the statements between begin() and commit() reach the
    // tables together or, after rollback() or a lost connection, not at all.
    // begin() and commit() fail like every other statement; rollback() never
    // fails fatally (it also runs while an error is unwinding, and a
    // connection that is gone has had its work undone by the server).
    // Transactions nest: an inner begin()/commit() pair joins the outer
    // transaction, which reaches the server at the outer commit().
    void begin();
    void commit();
    void rollback() noexcept;
    // Runs a statement whose failure is not fatal: false when it failed.
    bool try_execute(const std::string& statement) noexcept;

    // Statement log of this object, and the one new objects start with.
    void set_statement_log(StatementLog log) { log_ = std::move(log); }
    static void set_default_statement_log(StatementLog log);

    sql::Connection& connection() { return *connection_; }

private:
    void log(const std::string& statement) const;
    [[noreturn]] void fail(const std::string& driver_text) const;
    // After a statement failed with `code`: true when the connection was
    // lost, the user chose to retry and a new connection is open; the
    // statement may then be sent again. `delivered`: rows were handed out.
    bool retryAfter(int code, const std::string& driver_text, bool delivered);
    bool reconnect(std::string& error) noexcept;

    void execute(const std::string& statement);

    std::unique_ptr<sql::Connection> connection_;
    std::string host_;
    std::string user_;
    std::string password_;
    std::string schema_;
    Owner owner_ = Owner::Store;
    StatementLog log_;
    int transaction_depth_ = 0;
    bool rolled_back_ = false;  // an inner rollback undid the open transaction
};

// A transaction for the length of a scope: begun on construction, rolled
// back on leaving the scope (an error included) unless commit() was reached.
class Transaction {
public:
    explicit Transaction(DatabaseAccess& db) : db_(db) { db_.begin(); }
    ~Transaction() {
        if (open_) db_.rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit() {
        db_.commit();
        open_ = false;
    }

private:
    DatabaseAccess& db_;
    bool open_ = true;
};

}  // namespace pravel

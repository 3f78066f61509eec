#include "batch/batch_runs.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "store/batch_store.h"
#include "store/database_access.h"
#include "store/result_store.h"

extern char** environ;

namespace pravel::batch {

namespace {

using json = nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;

// How long a run waits for the lock on configuration identifiers.
constexpr int kConfigurationLockSeconds = 600;

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw BatchError("cannot read " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Thrown inside the run's transaction when its claim was taken over: the
// transaction is rolled back and the run's row left to its new holder.
struct ClaimLost {};

// Holds the configuration-identifier lock for the length of the run's
// transaction (the store inside takes it again; the lock counts).
class IdLock {
public:
    explicit IdLock(DatabaseAccess& db) : db_(db) {
        if (!lock_configuration_ids(db_, kConfigurationLockSeconds))
            throw std::runtime_error("the configuration identifiers stayed locked by another program");
    }
    ~IdLock() { unlock_configuration_ids(db_); }
    IdLock(const IdLock&) = delete;
    IdLock& operator=(const IdLock&) = delete;

private:
    DatabaseAccess& db_;
};

BatchFile parse_stored(const BatchRecord& b, const BatchAnalyses& analyses, const ScenarioCheck& check) {
    json doc;
    try {
        doc = json::parse(b.batch_file);
    } catch (const json::parse_error& e) {
        throw BatchError("batch " + std::to_string(b.batchID) + " holds no readable batch file");
    }
    return parse_batch_file(
        doc, [&](const std::string&) { return b.base_scenario; },
        [&](const std::string& name) { return find_analysis(analyses, name) != nullptr; }, check);
}

}  // namespace

const BatchAnalysis* find_analysis(const BatchAnalyses& analyses, const std::string& name) {
    for (const auto& a : analyses)
        if (a.name == name) return &a;
    return nullptr;
}

int create_batch_from_file(DatabaseAccess& db, const std::string& path, const BatchAnalyses& analyses) {
    const std::string text = read_text(path);
    json doc;
    try {
        doc = json::parse(text);
    } catch (const json::parse_error& e) {
        throw BatchError(path + " is not JSON: " + e.what());
    }
    const std::filesystem::path dir = std::filesystem::absolute(path).parent_path();
    std::string base_text;
    std::string analysis_name;
    if (doc.is_object() && doc.contains("analysis") && doc["analysis"].is_string())
        analysis_name = doc["analysis"].get<std::string>();
    const BatchAnalysis* analysis = find_analysis(analyses, analysis_name);
    const BatchFile file = parse_batch_file(
        doc,
        [&](const std::string& base) {
            std::filesystem::path p(base);
            if (p.is_relative()) p = dir / p;
            base_text = read_text(p.string());
            return base_text;
        },
        [&](const std::string& name) { return find_analysis(analyses, name) != nullptr; },
        [&](const json& scenario) { analysis->check(scenario); });
    std::vector<std::string> parameters;
    for (const auto& p : expand_runs(file)) parameters.push_back(p.dump());
    BatchRecord b;
    b.name = file.name;
    b.batch_file = text;
    b.source_path = std::filesystem::absolute(path).string();
    b.base_scenario = base_text;
    return create_batch(db, b, parameters);
}

BatchFile stored_batch_file(DatabaseAccess& db, int batch_id, const BatchAnalyses& analyses) {
    const auto b = load_batch(db, batch_id);
    if (!b) throw BatchError("there is no batch " + std::to_string(batch_id));
    return parse_stored(*b, analyses, [](const json&) {});
}

const char* outcome_text(TaskOutcome outcome) {
    switch (outcome) {
        case TaskOutcome::Done: return "done";
        case TaskOutcome::AlreadyDone: return "done already; nothing to do";
        case TaskOutcome::Failed: return "failed";
        case TaskOutcome::AlreadyFailed: return "failed before; run `batch retry` to run it again";
        case TaskOutcome::RunningElsewhere: return "running in another process; left to it";
        case TaskOutcome::ClaimLost: return "taken over by another process; nothing stored";
    }
    return "";
}

TaskOutcome run_batch_task(DatabaseAccess& db, int batch_id, int run_index, const BatchAnalyses& analyses,
                           const std::function<void(const std::string&)>& say) {
    const auto batch = load_batch(db, batch_id);
    if (!batch) throw BatchError("there is no batch " + std::to_string(batch_id));
    const std::string run_name = "batch " + std::to_string(batch_id) + " run " + std::to_string(run_index);

    const auto start = Clock::now();
    switch (claim_batch_run(db, batch_id, run_index, short_host_name())) {
        case ClaimOutcome::Claimed: break;
        case ClaimOutcome::Done: return TaskOutcome::AlreadyDone;
        case ClaimOutcome::Failed: return TaskOutcome::AlreadyFailed;
        case ClaimOutcome::RunningElsewhere: return TaskOutcome::RunningElsewhere;
        case ClaimOutcome::NoSuchRun: throw BatchError("batch " + std::to_string(batch_id) + " has no run " +
                                                       std::to_string(run_index));
    }
    say(run_name + ": running");
    bool committed = false;
    try {
        const BatchFile file = parse_stored(*batch, analyses, [](const json&) {});
        const BatchAnalysis* analysis = find_analysis(analyses, file.analysis);
        const auto row = load_batch_run(db, batch_id, run_index);
        const json parameters = json::parse(row->parameters);
        const json scenario = apply_parameters(file.base, parameters);
        const auto analysis_start = Clock::now();
        Commit commit = [&](const nlohmann::json& summary, const StoreConfiguration& store) -> std::optional<int> {
            const double analysis_seconds = seconds_since(analysis_start);
            std::optional<IdLock> lock;
            if (store) lock.emplace(db);
            Transaction t(db);
            const std::optional<int> id = store ? store() : std::nullopt;
            if (!finish_batch_run(db, batch_id, run_index, summary.dump(), id, seconds_since(start),
                                  analysis_seconds))
                throw ClaimLost{};
            t.commit();
            committed = true;
            return id;
        };
        analysis->run(db, scenario, seed_of(parameters), run_name, commit);
        if (!committed) throw std::runtime_error("the analysis ended without a result");
    } catch (const ClaimLost&) {
        return TaskOutcome::ClaimLost;
    } catch (const std::exception& e) {
        if (committed) throw;
        say(run_name + ": " + e.what());
        if (!fail_batch_run(db, batch_id, run_index, e.what(), seconds_since(start))) return TaskOutcome::ClaimLost;
        return TaskOutcome::Failed;
    }
    return TaskOutcome::Done;
}

int run_batch_worker(DatabaseAccess& db, int batch_id, const BatchAnalyses& analyses,
                     const std::function<void(const std::string&)>& say) {
    int ran = 0;
    for (;;) {
        const std::vector<int> open = claimable_batch_runs(db, batch_id);
        if (open.empty()) return ran;
        bool took = false;
        for (int index : open) {
            const TaskOutcome o = run_batch_task(db, batch_id, index, analyses, say);
            if (o == TaskOutcome::Done || o == TaskOutcome::Failed) {
                ++ran;
                took = true;
                break;
            }
        }
        if (!took) return ran;  // every open run was taken by another worker meanwhile
    }
}

bool run_processes(const std::string& program, const std::vector<std::string>& arguments, int workers) {
    std::vector<std::string> args{program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<pid_t> children;
    for (int w = 0; w < workers; ++w) {
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) break;
        children.push_back(pid);
    }
    bool all_ok = static_cast<int>(children.size()) == workers;
    for (pid_t pid : children) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) all_ok = false;
    }
    return all_ok;
}

std::string short_host_name() {
    char buf[256] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0) return "unknown";
    std::string h(buf);
    return h.substr(0, h.find('.'));
}

}  // namespace pravel::batch

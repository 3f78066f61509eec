#pragma once
#include <memory>
#include <string>
#include <vector>

namespace pravel {

// Every message box of the system goes through the current Notifier: the
// desktop program installs one that shows dialogs, the command-line tool one
// that writes to stderr, the tests a recording one.
class Notifier {
public:
    virtual ~Notifier() = default;
    // A notice with only an OK button.
    virtual void inform(const std::string& text) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool ask_yes_no(const std::string& text) = 0;
    // A question with OK and Cancel buttons; true for OK. `title` names the
    // box; empty for the program's own title.
    virtual bool ask_ok_cancel(const std::string& text, const std::string& title) = 0;
    bool ask_ok_cancel(const std::string& text) { return ask_ok_cancel(text, {}); }
};

// The notifier in force. Never null: a stderr notifier until one is installed.
Notifier& notifier();

// Installs `n` as the notifier in force and returns the previous one, which
// the caller may reinstall. Passing null installs the stderr notifier.
std::shared_ptr<Notifier> set_notifier(std::shared_ptr<Notifier> n);

// Writes every message to stderr and answers every question with `answer`.
class StderrNotifier : public Notifier {
public:
    explicit StderrNotifier(bool answer = true) : answer_(answer) {}
    void inform(const std::string& text) override;
    bool ask_yes_no(const std::string& text) override;
    using Notifier::ask_ok_cancel;
    bool ask_ok_cancel(const std::string& text, const std::string& title) override;

private:
    bool answer_;
};

// Records every message with its kind and answers questions from a queue
// (default answer when the queue is empty). Used by tests.
class RecordingNotifier : public Notifier {
public:
    enum class Kind { Inform, YesNo, OkCancel };
    struct Message {
        Kind kind;
        std::string text;
        std::string title;  // the box's own title; empty for the program's
    };

    void inform(const std::string& text) override;
    bool ask_yes_no(const std::string& text) override;
    using Notifier::ask_ok_cancel;
    bool ask_ok_cancel(const std::string& text, const std::string& title) override;

    void queue_answer(bool answer) { answers_.push_back(answer); }
    void set_default_answer(bool answer) { default_answer_ = answer; }

    const std::vector<Message>& messages() const { return messages_; }
    std::vector<std::string> texts() const;
    void clear() { messages_.clear(); }

private:
    bool next_answer();
    std::vector<Message> messages_;
    std::vector<bool> answers_;
    bool default_answer_ = true;
};

// Installs a notifier for the lifetime of the guard and restores the previous
// one afterwards.
class ScopedNotifier {
public:
    explicit ScopedNotifier(std::shared_ptr<Notifier> n) : previous_(set_notifier(std::move(n))) {}
    ~ScopedNotifier() { set_notifier(previous_); }
    ScopedNotifier(const ScopedNotifier&) = delete;
    ScopedNotifier& operator=(const ScopedNotifier&) = delete;

private:
    std::shared_ptr<Notifier> previous_;
};

}  // namespace pravel

#include "common/notifier.h"

#include <iostream>

namespace pravel {

namespace {
std::shared_ptr<Notifier>& current() {
    static std::shared_ptr<Notifier> n = std::make_shared<StderrNotifier>();
    return n;
}
}  // namespace

Notifier& notifier() { return *current(); }

std::shared_ptr<Notifier> set_notifier(std::shared_ptr<Notifier> n) {
    auto previous = current();
    current() = n ? std::move(n) : std::make_shared<StderrNotifier>();
    return previous;
}

void StderrNotifier::inform(const std::string& text) { std::cerr << text << '\n'; }

bool StderrNotifier::ask_yes_no(const std::string& text) {
    std::cerr << text << '\n';
    return answer_;
}

bool StderrNotifier::ask_ok_cancel(const std::string& text, const std::string& /*title*/) {
    std::cerr << text << '\n';
    return answer_;
}

bool RecordingNotifier::next_answer() {
    if (answers_.empty()) return default_answer_;
    bool a = answers_.front();
    answers_.erase(answers_.begin());
    return a;
}

void RecordingNotifier::inform(const std::string& text) { messages_.push_back({Kind::Inform, text, {}}); }

bool RecordingNotifier::ask_yes_no(const std::string& text) {
    messages_.push_back({Kind::YesNo, text, {}});
    return next_answer();
}

bool RecordingNotifier::ask_ok_cancel(const std::string& text, const std::string& title) {
    messages_.push_back({Kind::OkCancel, text, title});
    return next_answer();
}

std::vector<std::string> RecordingNotifier::texts() const {
    std::vector<std::string> out;
    out.reserve(messages_.size());
    for (const auto& m : messages_) out.push_back(m.text);
    return out;
}

}  // namespace pravel

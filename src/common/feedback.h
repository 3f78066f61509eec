#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/notifier.h"

namespace pravel {

// Progress figures in, a cancel request out, and the run's messages. Long
// work (the evaluation run, the optimisers) reports through it on the calling
// thread and stops cleanly with its best result so far when cancelled. Its
// notices and questions go to the notifier in force unless the run has a
// message handler of its own.
class Feedback {
public:
    struct Progress {
        long long step = 0;        // work done so far (pixels, iterations ...)
        long long total = 0;       // 0 when not known in advance
        double value = 0.0;        // a figure of the work, e.g. a temperature
        double best = 0.0;         // best objective so far, where there is one
        std::string stage;         // what is being done
        // The best solution as a person reads it, where the run knows it:
        // its budget in Euro or its weighted effective area in ha, and how
        // many hectares it leaves short of the wanted areas (budget runs).
        std::optional<double> best_amount;
        std::optional<double> best_shortfall_ha;
    };
    using Listener = std::function<void(const Progress&)>;

    Feedback() = default;
    explicit Feedback(Listener listener) : listener_(std::move(listener)) {}

    void report(const Progress& p) {
        if (listener_) listener_(p);
    }
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

    // Sends the run's messages to `handler`; null: to the notifier in force.
    void set_messages(std::shared_ptr<Notifier> handler) { messages_ = std::move(handler); }
    // The handler set by set_messages (null: the notifier in force), for a
    // channel that passes this one's messages on.
    const std::shared_ptr<Notifier>& message_handler() const { return messages_; }

    // A notice with only an OK button.
    void inform(const std::string& text) { messages().inform(text); }
    // A question with Yes and No buttons; true for Yes.
    bool ask_yes_no(const std::string& text) { return messages().ask_yes_no(text); }

private:
    Notifier& messages() { return messages_ ? *messages_ : notifier(); }

    Listener listener_;
    bool cancelled_ = false;
    std::shared_ptr<Notifier> messages_;
};

// The messages of work run without a Feedback go to the notifier in force,
// as through a Feedback without a handler of its own.
inline void inform(Feedback* feedback, const std::string& text) {
    if (feedback) feedback->inform(text);
    else Feedback().inform(text);
}
inline bool ask_yes_no(Feedback* feedback, const std::string& text) {
    return feedback ? feedback->ask_yes_no(text) : Feedback().ask_yes_no(text);
}

}  // namespace pravel

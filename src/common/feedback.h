#pragma once
#include <functional>
#include <string>

namespace pravel {

// Progress figures in, a cancel request out. Long work (the evaluation run,
// the optimisers) reports through it on the calling thread and stops cleanly
// with its best result so far when cancelled.
class Feedback {
public:
    struct Progress {
        long long step = 0;        // work done so far (pixels, iterations ...)
        long long total = 0;       // 0 when not known in advance
        double value = 0.0;        // a figure of the work, e.g. a temperature
        double best = 0.0;         // best objective so far, where there is one
        std::string stage;         // what is being done
    };
    using Listener = std::function<void(const Progress&)>;

    Feedback() = default;
    explicit Feedback(Listener listener) : listener_(std::move(listener)) {}

    void report(const Progress& p) {
        if (listener_) listener_(p);
    }
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

private:
    Listener listener_;
    bool cancelled_ = false;
};

}  // namespace pravel

// Timed actions of the event loop (modem results, guard times).
#pragma once

#include <functional>
#include <map>

#include "clock.h"

namespace termsim {

class Scheduler {
public:
    void at(Nanos when, std::function<void()> action) { actions_.emplace(when, std::move(action)); }
    void clear() { actions_.clear(); }
    // Time of the earliest action, or -1 when none is waiting.
    Nanos next() const { return actions_.empty() ? -1 : actions_.begin()->first; }

    void run_due(Nanos now) {
        while (!actions_.empty() && actions_.begin()->first <= now) {
            auto action = std::move(actions_.begin()->second);
            actions_.erase(actions_.begin());
            action();
        }
    }

private:
    std::multimap<Nanos, std::function<void()>> actions_;
};

}  // namespace termsim

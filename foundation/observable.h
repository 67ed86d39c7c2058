#pragma once

// A value that tells its watchers when it changes: button states, captions and labels that
// the core sets and the window shows.

#include <functional>
#include <utility>
#include <vector>

namespace scourwell::foundation {

template <typename T>
class Observable {
public:
    Observable() = default;
    explicit Observable(T initial) : value_(std::move(initial)) {}
    Observable(const Observable&) = delete;
    Observable& operator=(const Observable&) = delete;

    const T& Get() const { return value_; }
    void Set(T value) {
        if (value == value_) return;
        value_ = std::move(value);
        for (auto& watcher : watchers_) watcher(value_);
    }
    void Watch(std::function<void(const T&)> watcher) { watchers_.push_back(std::move(watcher)); }

private:
    T value_{};
    std::vector<std::function<void(const T&)>> watchers_;
};

}  // namespace scourwell::foundation

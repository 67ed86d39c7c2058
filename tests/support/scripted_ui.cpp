#include "tests/support/scripted_ui.h"

namespace scourwell::testing {

ScriptedUi::ScriptedUi() {
    // 14:30:05 on 6 Dec 2026 (local time), a fixed moment so that log lines are predictable.
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 11;
    tm.tm_mday = 6;
    tm.tm_hour = 14;
    tm.tm_min = 30;
    tm.tm_sec = 5;
    tm.tm_isdst = -1;
    now_ = std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

void ScriptedUi::PumpEvents() {
    ++pumps;
    if (secondsPerPump > 0) {
        now_ += std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<double>(secondsPerPump));
    }
    std::vector<std::function<void()>> posted;
    {
        std::lock_guard lock(postedMutex_);
        posted.swap(posted_);
    }
    for (auto& call : posted) call();
    auto range = atPump_.equal_range(pumps);
    std::vector<std::function<void()>> due;
    for (auto it = range.first; it != range.second; ++it) due.push_back(it->second);
    atPump_.erase(range.first, range.second);
    for (auto& action : due) action();
    for (size_t i = 0; i < when_.size();) {
        if (when_[i].first()) {
            auto action = std::move(when_[i].second);
            when_.erase(when_.begin() + static_cast<std::ptrdiff_t>(i));
            action();
        } else {
            ++i;
        }
    }
}

bool ScriptedUi::AskYesNo(std::string_view text, std::string_view) {
    questions.emplace_back(text);
    if (answers_.empty()) return defaultAnswer;
    bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void ScriptedUi::Tell(std::string_view text, std::string_view caption,
                      foundation::MessageIcon icon) {
    messages.push_back({std::string(text), std::string(caption), icon});
}

void ScriptedUi::OpenDocument(std::string_view windowsPath) {
    openedDocuments.emplace_back(windowsPath);
}

void ScriptedUi::Post(std::function<void()> call) {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(call));
}

void ScriptedUi::QueueAnswers(std::initializer_list<bool> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

void ScriptedUi::AtPump(int n, std::function<void()> action) {
    atPump_.emplace(pumps + n, std::move(action));
}

void ScriptedUi::When(std::function<bool()> condition, std::function<void()> action) {
    when_.emplace_back(std::move(condition), std::move(action));
}

}  // namespace scourwell::testing

#pragma once

// A scripted window port for tests: answers questions from a script, records message boxes
// and opened documents, runs posted calls on the next pump, and can run an action (press
// "Abort", say) at the N-th pump. Its clock is fixed and moves only when told, or by
// `secondsPerPump` on every pump, so watchdog timeouts cost no real time.

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/ui_port.h"

namespace scourwell::testing {

class ScriptedUi : public foundation::UiPort {
public:
    struct Message {
        std::string text;
        std::string caption;
        foundation::MessageIcon icon;
    };

    ScriptedUi();

    void PumpEvents() override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    void Tell(std::string_view text, std::string_view caption, foundation::MessageIcon icon) override;
    void OpenDocument(std::string_view windowsPath) override;
    void Post(std::function<void()> call) override;
    std::chrono::system_clock::time_point Now() override { return now_; }

    // Answers for the coming questions, in order; when the script is empty, `defaultAnswer`.
    void QueueAnswers(std::initializer_list<bool> answers);
    bool defaultAnswer = true;
    // Runs `action` on the n-th pump from now (1 = the next pump).
    void AtPump(int n, std::function<void()> action);
    // Runs `action` on the first pump at which `condition` holds (checked on every pump).
    void When(std::function<bool()> condition, std::function<void()> action);
    double secondsPerPump = 0.0;
    void Advance(std::chrono::milliseconds step) { now_ += step; }
    void SetNow(std::chrono::system_clock::time_point now) { now_ = now; }

    int pumps = 0;
    std::vector<std::string> questions;
    std::vector<Message> messages;
    std::vector<std::string> openedDocuments;

private:
    std::chrono::system_clock::time_point now_;
    std::deque<bool> answers_;
    std::multimap<int, std::function<void()>> atPump_;
    std::vector<std::pair<std::function<bool()>, std::function<void()>>> when_;
    std::mutex postedMutex_;  // Post may come from a worker thread
    std::vector<std::function<void()>> posted_;
};

}  // namespace scourwell::testing

#pragma once

// The one port through which the core talks to the window: letting pending window messages
// run, questions and message boxes, opening documents, posting calls to the interface thread,
// and the clock. The app implements it over Qt; tests use a scripted double.
//
// PumpEvents may re-enter the core (a button pressed during a scan); loops that call it must
// tolerate that.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace scourwell::foundation {

enum class MessageIcon { None, Information, Question, Warning, Error };

inline constexpr std::string_view kAppTitle = "Scourwell";

class UiPort {
public:
    virtual ~UiPort() = default;

    // Lets pending window messages run (repaints, button presses).
    virtual void PumpEvents() = 0;
    // A modal Yes/No question with a question icon; true for Yes.
    virtual bool AskYesNo(std::string_view text, std::string_view caption = kAppTitle) = 0;
    // A modal message box with one OK button.
    virtual void Tell(std::string_view text, std::string_view caption = kAppTitle,
                      MessageIcon icon = MessageIcon::Information) = 0;
    // Opens a document (a Windows path of the view) with the shell's "open" verb.
    virtual void OpenDocument(std::string_view windowsPath) = 0;
    // Runs a call later on the interface thread, in the order posted. May be called from any
    // thread (download workers hand their events over this way).
    virtual void Post(std::function<void()> call) = 0;
    // Wall-clock time for dates, log lines and the forced-delete watchdog.
    virtual std::chrono::system_clock::time_point Now() = 0;
};

}  // namespace scourwell::foundation

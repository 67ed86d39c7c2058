#pragma once

// The window port of the command-line companion. Nothing is asked: every question gets the
// answer that the command line gave (`answer`). Message boxes and the scan log's location go
// to standard error. Events are the companion's own: Ctrl+C (SIGINT) sets the program's abort
// flag at the next pump, so a scan or clean-up stops between objects the way "Abort" stops it
// in the window; and, when standard error is a terminal, one progress line is redrawn there.
// Every text written is escaped for the terminal (names may hold control bytes).

#include <chrono>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/program_context.h"
#include "foundation/ui_port.h"

namespace scourwell::cli {

// Installs the SIGINT handler. A second Ctrl+C ends the program the ordinary way.
void CatchInterrupt();
// Whether Ctrl+C was pressed since the start.
bool Interrupted();

class CliPort : public foundation::UiPort {
  public:
    // `showProgress`: draw the progress line (standard error is a terminal).
    CliPort(std::ostream& err, bool showProgress);
    ~CliPort() override;

    void PumpEvents() override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    void Tell(std::string_view text, std::string_view caption,
              foundation::MessageIcon icon) override;
    void OpenDocument(std::string_view windowsPath) override;
    void Post(std::function<void()> call) override;
    std::chrono::system_clock::time_point Now() override;

    // The context whose abort flag Ctrl+C sets and whose progress the line shows.
    void Attach(foundation::ProgramContext* context) { context_ = context; }
    // The answer to every question.
    bool answer = false;
    // --quiet: the window-style summaries (information boxes), the scan log's location and the
    // progress line are not written; warnings and errors still are.
    bool quiet = false;
    // From HoldMessages on, messages are kept instead of written; ReleaseMessages writes them,
    // each text passed through `rewrite` first (when given).
    void HoldMessages();
    void ReleaseMessages(const std::function<std::string(std::string)>& rewrite = {});
    // The progress text; empty text shows nothing. Set by the command that runs.
    std::function<std::string(const foundation::ProgramContext&)> describeProgress;
    // Removes the progress line from the terminal.
    void ClearProgress();

  private:
    struct HeldMessage {
        std::string text, caption;
        foundation::MessageIcon icon;
    };
    void DrawProgress();
    void Write(std::string_view text, std::string_view caption, foundation::MessageIcon icon);

    std::ostream& err_;
    bool showProgress_;
    bool progressShown_ = false;
    foundation::ProgramContext* context_ = nullptr;
    std::mutex postedMutex_;  // Post may be called from download workers
    std::vector<std::function<void()>> posted_;
    std::chrono::steady_clock::time_point lastDraw_{};
    bool holding_ = false;
    std::vector<HeldMessage> held_;
};

// The progress text of a walk: "12345 objects, 1.2 GB  C:\Users\..." .
std::string WalkProgressText(const foundation::ProgramContext& context);

}  // namespace scourwell::cli

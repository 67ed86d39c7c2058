#pragma once

// The window port over Qt: pumping events, message boxes, the shell's "open", posted calls and
// the clock. Every message box of the program goes through ShowMessageBox, so tests can answer
// boxes without showing them.

#include <QPushButton>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "foundation/status_log.h"
#include "foundation/ui_port.h"

class QWidget;

namespace scourwell::app {

// What a message box would show.
struct MessageBoxRequest {
    QString text;  // with "\r" already turned into line breaks
    QString caption;
    foundation::MessageIcon icon = foundation::MessageIcon::Information;
    bool yesNo = false;  // a Yes/No question (otherwise one OK button)
};

// When set, message boxes are not shown: the hook receives the request and its result is the
// answer of a Yes/No question (ignored for the others). Tests set it; the program never does.
using MessageBoxHook = std::function<bool(const MessageBoxRequest&)>;
void SetMessageBoxHook(MessageBoxHook hook);

// When set, OpenDocument hands the Windows path to the hook instead of the desktop's opener.
// Tests set it; the program never does.
using OpenDocumentHook = std::function<void(const std::string& windowsPath)>;
void SetOpenDocumentHook(OpenDocumentHook hook);

// Shows a modal message box (or asks the hook). True for "Yes".
bool ShowMessageBox(QWidget* parent, std::string_view text, std::string_view caption,
                    foundation::MessageIcon icon, bool yesNo);

// Runs a handler of the window; an error that escapes it is shown in the general error report
// (an error box with the error's text) instead of reaching the event loop.
void RunReportingErrors(QWidget* parent, const std::function<void()>& action);
// Runs `action` on a click of `button`; errors go to the general error report.
template <typename F>
void OnClick(QPushButton* button, F action) {
    QObject::connect(button, &QPushButton::clicked, button,
                     [button, action] { RunReportingErrors(button->window(), action); });
}

// How many handlers run through RunReportingErrors are on the stack right now (a handler that
// lets events run may start another one).
int RunningHandlers();

// Message texts use a carriage return as their line break.
QString MessageText(std::string_view text);

class QtUiPort : public foundation::UiPort {
  public:
    QtUiPort() = default;

    void PumpEvents() override;
    bool AskYesNo(std::string_view text, std::string_view caption) override;
    void Tell(std::string_view text, std::string_view caption,
              foundation::MessageIcon icon) override;
    void OpenDocument(std::string_view windowsPath) override;
    void Post(std::function<void()> call) override;
    std::chrono::system_clock::time_point Now() override;

    // The window that owns the message boxes.
    void SetParentWidget(QWidget* parent) { parent_ = parent; }

    // The status line and the function that shows its text. PumpEvents and SyncStatusLine
    // pass the text on when the line's revision changed, at most every kStatusInterval while a
    // loop pumps, so a walk that sets the line for every file does not repaint for every file.
    void BindStatusLine(const foundation::StatusLine* line,
                        std::function<void(const std::string&)> show);
    // Passes the status text on now when it changed (the window calls this when idle).
    void SyncStatusLine();

    static constexpr std::chrono::milliseconds kStatusInterval{50};

  private:
    QWidget* parent_ = nullptr;
    const foundation::StatusLine* statusLine_ = nullptr;
    std::function<void(const std::string&)> showStatus_;
    uint64_t shownRevision_ = ~uint64_t{0};
    std::chrono::steady_clock::time_point lastStatusSync_{};
};

}  // namespace scourwell::app

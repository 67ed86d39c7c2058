#include "tools/cli/cli_port.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <ostream>

#include "foundation/format_size.h"
#include "platform/files.h"
#include "tools/cli/escaping.h"
#include "tools/cli/text_output.h"

namespace scourwell::cli {

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int) {
    interrupted = 1;
}

constexpr std::chrono::milliseconds kRedrawInterval{100};

size_t TerminalWidth() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) return size.ws_col;
    return 80;
}

}  // namespace

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The first Ctrl+C asks the running loop to stop; a second one ends the program at once.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

CliPort::CliPort(std::ostream& err, bool showProgress) : err_(err), showProgress_(showProgress) {}

CliPort::~CliPort() {
    ClearProgress();
}

void CliPort::PumpEvents() {
    // Posted calls may post again; those run at the next pump.
    std::vector<std::function<void()>> calls;
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        calls.swap(posted_);
    }
    for (auto& call : calls) call();
    if (context_ == nullptr) return;
    // Sticky: a loop that clears the flag when it starts (the malware step) stops at once too.
    if (Interrupted()) context_->abortRequested = true;
    if (showProgress_ && !quiet) DrawProgress();
}

bool CliPort::AskYesNo(std::string_view, std::string_view) {
    return answer;
}

void CliPort::Tell(std::string_view text, std::string_view caption,
                   foundation::MessageIcon icon) {
    if (holding_) {
        held_.push_back({std::string(text), std::string(caption), icon});
        return;
    }
    Write(text, caption, icon);
}

void CliPort::HoldMessages() {
    holding_ = true;
}

void CliPort::ReleaseMessages(const std::function<std::string(std::string)>& rewrite) {
    holding_ = false;
    std::vector<HeldMessage> messages;
    messages.swap(held_);
    for (HeldMessage& message : messages)
        Write(rewrite ? rewrite(std::move(message.text)) : message.text, message.caption,
              message.icon);
}

void CliPort::Write(std::string_view text, std::string_view caption,
                    foundation::MessageIcon icon) {
    if (quiet && icon != foundation::MessageIcon::Warning && icon != foundation::MessageIcon::Error)
        return;
    ClearProgress();
    std::string line = EscapeForTerminal(caption);
    line += ": ";
    // Message boxes break lines with CR; one message is one paragraph here, and a run of
    // breaks is one break.
    size_t i = 0;
    while (i < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", i), text.size());
        line += EscapeForTerminal(text.substr(i, end - i));
        if (end == text.size()) break;
        line += "\n  ";
        i = std::min(text.find_first_not_of("\r\n", end), text.size());
    }
    err_ << line << '\n' << std::flush;
}

void CliPort::OpenDocument(std::string_view windowsPath) {
    if (quiet) return;
    ClearProgress();
    const auto host = platform::ToHostPath(windowsPath);
    err_ << "Scourwell: log saved as "
         << EscapeForTerminal(host ? *host : std::string(windowsPath)) << '\n' << std::flush;
}

void CliPort::Post(std::function<void()> call) {
    std::lock_guard<std::mutex> lock(postedMutex_);
    posted_.push_back(std::move(call));
}

std::chrono::system_clock::time_point CliPort::Now() {
    return std::chrono::system_clock::now();
}

void CliPort::DrawProgress() {
    if (!describeProgress) return;
    const auto now = std::chrono::steady_clock::now();
    if (progressShown_ && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    std::string text = describeProgress(*context_);
    if (text.empty()) return;
    text = FitToWidth(EscapeForTerminal(text), TerminalWidth() - 1);
    // Carriage return, the text, then erase the rest of the line.
    err_ << '\r' << text << "\x1b[K" << std::flush;
    progressShown_ = true;
}

void CliPort::ClearProgress() {
    if (!progressShown_) return;
    err_ << "\r\x1b[K" << std::flush;
    progressShown_ = false;
}

std::string WalkProgressText(const foundation::ProgramContext& context) {
    const foundation::WalkProgress& progress = context.progress;
    std::string text = std::to_string(progress.objects) + " objects, " +
                       Trimmed(foundation::FormatSize(static_cast<long double>(progress.bytes), true));
    if (!progress.folder.empty()) text += "  " + progress.folder;
    return text;
}

}  // namespace scourwell::cli

#include "foundation/file_progress.h"

#include "foundation/format_size.h"

namespace scourwell::foundation {
namespace {

// The size text without the blanks that pad it to its column width.
std::string SizeText(int64_t bytes) {
    std::string text = FormatSize(static_cast<long double>(bytes), true);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

}  // namespace

FileProgress::FileProgress(ProgramContext& context, std::string_view verb, std::string_view path)
    : context_(context) {
    label_.assign(verb);
    label_ += ' ';
    label_ += path;
}

platform::ProgressSink FileProgress::Sink() {
    return [this](int64_t done, int64_t total) { return Report(done, total); };
}

bool FileProgress::Report(int64_t done, int64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (pumped_ && now - last_ < kInterval) return !context_.abortRequested;
    context_.status.Set(label_ + ": " + SizeText(done) + " of " + SizeText(total));
    context_.ui.PumpEvents();
    pumped_ = true;
    last_ = std::chrono::steady_clock::now();
    if (context_.abortRequested) stopped_ = true;
    return !stopped_;
}

}  // namespace scourwell::foundation

#include "scan/running_images.h"

#include "foundation/file_helpers.h"
#include "foundation/text.h"

namespace scourwell::scan {
namespace {

constexpr size_t kKeyLength = 4;

}  // namespace

RunningImages::RunningImages(Lister lister, std::chrono::milliseconds maxAge)
    : lister_(std::move(lister)), maxAge_(maxAge) {}

void RunningImages::Refresh() {
    images_.clear();
    lowerImages_.clear();
    afterBackslash_.clear();
    std::vector<std::string> texts;
    if (lister_) lister_(texts);
    // Entries that are not present files ("System Idle Process", unreadable paths) drop out.
    for (std::string& text : texts) {
        if (!foundation::FilePresent(text)) continue;
        images_.push_back(std::move(text));
        lowerImages_.push_back(foundation::ToLower(images_.back()));
    }
    for (size_t i = 0; i < lowerImages_.size(); ++i) {
        const std::string& lower = lowerImages_[i];
        for (size_t at = lower.find('\\'); at != std::string::npos; at = lower.find('\\', at + 1)) {
            if (at + 1 + kKeyLength > lower.size()) break;
            std::vector<size_t>& holders = afterBackslash_[lower.substr(at + 1, kKeyLength)];
            if (holders.empty() || holders.back() != i) holders.push_back(i);
        }
    }
    takenAt_ = std::chrono::steady_clock::now();
    fresh_ = true;
}

std::string RunningImages::FindRunningImage(std::string_view part) {
    if (!fresh_ || std::chrono::steady_clock::now() - takenAt_ > maxAge_) Refresh();
    const std::string lower = foundation::ToLower(part);
    if (lower.empty()) return {};
    if (lower.size() > kKeyLength && lower.front() == '\\') {
        // Every occurrence of "\name" starts right after a backslash of the image path.
        const auto it = afterBackslash_.find(lower.substr(1, kKeyLength));
        if (it == afterBackslash_.end()) return {};
        for (size_t i : it->second)
            if (lowerImages_[i].find(lower) != std::string::npos) return images_[i];
        return {};
    }
    for (size_t i = 0; i < lowerImages_.size(); ++i)
        if (lowerImages_[i].find(lower) != std::string::npos) return images_[i];
    return {};
}

}  // namespace scourwell::scan

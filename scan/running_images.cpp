#include "scan/running_images.h"

#include "foundation/file_helpers.h"
#include "foundation/text.h"

namespace scourwell::scan {

RunningImages::RunningImages(Lister lister, std::chrono::milliseconds maxAge)
    : lister_(std::move(lister)), maxAge_(maxAge) {}

void RunningImages::Refresh() {
    images_.clear();
    lowerImages_.clear();
    byFileName_.clear();
    std::vector<std::string> texts;
    if (lister_) lister_(texts);
    // Entries that are not present files ("System Idle Process", unreadable paths) drop out.
    for (std::string& text : texts) {
        if (!foundation::FilePresent(text)) continue;
        images_.push_back(std::move(text));
        lowerImages_.push_back(foundation::ToLower(images_.back()));
    }
    for (size_t i = 0; i < lowerImages_.size(); ++i)
        byFileName_[foundation::FileNamePart(lowerImages_[i])].push_back(i);
    takenAt_ = std::chrono::steady_clock::now();
    fresh_ = true;
}

std::string RunningImages::FindRunningImage(std::string_view part) {
    if (!fresh_ || std::chrono::steady_clock::now() - takenAt_ > maxAge_) Refresh();
    const std::string lower = foundation::ToLower(part);
    const std::string name = foundation::FileNamePart(lower);
    if (name.empty()) return {};
    const auto it = byFileName_.find(name);
    if (it == byFileName_.end()) return {};
    // A part with folders must match the image's last folders too, at a backslash.
    const std::string tail = lower.front() == '\\' ? lower : "\\" + lower;
    for (size_t i : it->second)
        if (lowerImages_[i].ends_with(tail)) return images_[i];
    return {};
}

}  // namespace scourwell::scan

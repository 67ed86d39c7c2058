#include "scan/drive_status.h"

#include <algorithm>
#include <exception>

#include "foundation/format_size.h"
#include "platform/drives.h"

namespace scourwell::scan {
namespace {

bool HasType(char letter, int driveType) {
    if (driveType == kAnyDrive) return true;
    switch (platform::GetDriveType(letter)) {
        case platform::DriveType::Removable:
            return driveType == kRemovableDrive;
        case platform::DriveType::Fixed:
            return driveType == kFixedDrive;
        case platform::DriveType::Network:
            return driveType == kNetworkDrive;
        case platform::DriveType::CdRom:
            return driveType == kCdRomDrive;
        case platform::DriveType::RamDisk:
            return driveType == kRamDiskDrive;
        default:
            return false;
    }
}

std::string RootOf(char letter) {
    return std::string(1, letter) + ":\\";
}

const char* StatusLine(DriveLevel level) {
    switch (level) {
        case DriveLevel::Critical:
            return "Status: This drive is Critically full, please delete unused and junk data!";
        case DriveLevel::High:
            return "Status: This drive is full, it is not critical but it requires action, delete "
                   "unused and junk data";
        default:
            return "Status: Ok";
    }
}

int ColourRank(uint32_t colour) {
    if (colour == kBarColourRed) return 2;
    if (colour == kBarColourRose) return 1;
    return 0;
}

// Bar colour by used space: rose from `roseTenths` tenths of the drive, red from `redTenths`.
uint32_t BarColour(int64_t freeBytes, int64_t totalBytes, int roseTenths, int redTenths) {
    const int64_t used = totalBytes - freeBytes;
    const int64_t tenth = totalBytes / 10;
    if (used >= redTenths * tenth) return kBarColourRed;
    if (used >= roseTenths * tenth) return kBarColourRose;
    return kBarColourGreen;
}

}  // namespace

std::string ListDrives(int index, int driveType) {
    std::string result;
    int position = 0;
    for (char letter : platform::LogicalDriveLetters()) {
        const int here = position++;
        if (index >= 0 && here != index) continue;
        if (!HasType(letter, driveType)) continue;
        result += RootOf(letter);
        result += ';';
    }
    return result;
}

std::vector<std::string> SplitDriveList(const std::string& list) {
    std::vector<std::string> roots;
    size_t start = 0;
    for (size_t semi = list.find(';'); semi != std::string::npos; semi = list.find(';', start)) {
        if (semi > start) roots.push_back(list.substr(start, semi - start));
        start = semi + 1;
    }
    return roots;
}

bool GetDriveSpace(char letter, int64_t& freeBytes, int64_t& totalBytes) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    int64_t freeValue = -1;
    int64_t totalValue = -1;
    if (!platform::GetDiskSpace(letter, freeValue, totalValue)) {
        freeBytes = -1;
        totalBytes = -1;
        return false;
    }
    freeBytes = freeValue;
    totalBytes = totalValue;
    return true;
}

FullnessLevels ComputeLevels(int64_t total) {
    FullnessLevels levels;
    levels.half = total / 2;
    levels.quarter = levels.half / 2;
    levels.eighth = levels.quarter / 2;
    levels.fullMark = levels.half + levels.quarter;
    levels.criticalMark = levels.half + levels.quarter + levels.eighth;
    return levels;
}

DriveLevel GradeUsedSpace(long double used, const FullnessLevels& levels) {
    if (used >= static_cast<long double>(levels.criticalMark)) return DriveLevel::Critical;
    if (used >= static_cast<long double>(levels.fullMark)) return DriveLevel::High;
    return DriveLevel::Ok;
}

const char* DriveLevelName(DriveLevel level) {
    switch (level) {
        case DriveLevel::Critical:
            return "Critical";
        case DriveLevel::High:
            return "High";
        default:
            return "Ok";
    }
}

std::vector<std::string> DriveStatusReport() {
    std::vector<std::string> lines{"Hard drives status!"};
    for (const std::string& root : SplitDriveList(ListDrives(-1, kFixedDrive))) {
        int64_t freeBytes = -1;
        int64_t totalBytes = -1;
        GetDriveSpace(root[0], freeBytes, totalBytes);
        const FullnessLevels levels = ComputeLevels(totalBytes);
        lines.push_back(root);
        lines.push_back("Freespace " + std::to_string(freeBytes / 1024 / 1024) + "mb");
        lines.push_back("Drivesize " + std::to_string(totalBytes / 1024 / 1024) + "mb");
        lines.push_back(StatusLine(GradeUsedSpace(totalBytes - freeBytes, levels)));
    }
    return lines;
}

int DriveBarHeight(int64_t freeBytes, int64_t totalBytes, int innerHeight) {
    if (freeBytes <= 0) return 0;
    const int64_t divisor = innerHeight - 4;
    if (divisor == 0) return 0;
    const int64_t step = totalBytes / divisor;
    if (step <= 0) return 0;
    return static_cast<int>((freeBytes + step - 1) / step);
}

std::optional<uint32_t> DriveListColour(const foundation::ListItem& item, size_t statusColumn) {
    if (item.SubItem(statusColumn) == "Critical") return foundation::kColourYellow;
    if (item.checked) return foundation::kColourCheckedBlue;
    return std::nullopt;
}

WelcomeDriveStatus::WelcomeDriveStatus()
    : pList({"Drive", "Free Space", "Total Space", "Status"}, true) {
    pList.SetColourRule([](const foundation::ListItem& item) { return DriveListColour(item, 2); });
}

void WelcomeDriveStatus::SetStatus(std::string text, StatusPicture picture, bool prompt) {
    infoptext.Set(std::move(text));
    infpultImg.Set(picture);
    scanPrompt.Set(prompt);
}

void WelcomeDriveStatus::Button21Click() {
    const std::vector<std::string> roots = SplitDriveList(ListDrives(-1, kFixedDrive));
    pList.Clear();
    SetStatus("Your computer is ok!", StatusPicture::Ok, false);
    std::vector<DriveBar> bars = driveBars.Get();
    const size_t barsMade = bars.size();
    for (size_t position = 0; position < roots.size(); ++position) {
        const std::string& root = roots[position];
        const size_t item = pList.Add(foundation::ListItem{root, {}, false, false});
        try {
            int64_t freeBytes = -1;
            int64_t totalBytes = -1;
            GetDriveSpace(root[0], freeBytes, totalBytes);

            // The bar of the same drive follows the refresh; a drive past the bars made so far
            // gets a new one while there is room.
            const char letter = root[0];
            auto bar = std::find_if(bars.begin(), bars.end(),
                                    [&](const DriveBar& b) { return b.letter == letter; });
            if (bar != bars.end()) {
                bar->freeBytes = freeBytes;
                bar->totalBytes = totalBytes;
                bar->freeText = foundation::FormatSize(freeBytes, true);
                bar->totalText = foundation::FormatSize(totalBytes, true);
                const uint32_t colour = BarColour(freeBytes, totalBytes, 6, 8);
                if (ColourRank(colour) > ColourRank(bar->colour)) bar->colour = colour;
            } else if (position >= barsMade && bars.size() < kMaxDriveBars) {
                DriveBar made;
                made.letter = letter;
                made.caption = "Drive " + root;
                made.freeBytes = freeBytes;
                made.totalBytes = totalBytes;
                made.freeText = foundation::FormatSize(freeBytes, true);
                made.totalText = foundation::FormatSize(totalBytes, true);
                made.colour = BarColour(freeBytes, totalBytes, 7, 9);
                bars.push_back(std::move(made));
            }

            pList.SetSubItem(item, 0, foundation::FormatSize(freeBytes, true));
            pList.SetSubItem(item, 1, foundation::FormatSize(totalBytes, true));
            switch (GradeUsedSpace(totalBytes - freeBytes, ComputeLevels(totalBytes))) {
                case DriveLevel::Critical:
                    pList.SetSubItem(item, 2, "Critical");
                    pList.SetChecked(item, true);
                    SetStatus("Some drives are critically full, please scan!",
                              StatusPicture::Warning, true);
                    break;
                case DriveLevel::High:
                    pList.SetSubItem(item, 2, "High");
                    pList.SetChecked(item, true);
                    SetStatus("Some drives are full, please scan!", StatusPicture::Warning, true);
                    break;
                case DriveLevel::Ok:
                    pList.SetSubItem(item, 2, "Ok");
                    pList.SetChecked(item, false);
                    break;
            }
        } catch (const std::exception&) {
            // The item stays as far as it got; the next drive is filled as usual.
        }
    }
    driveBars.Set(std::move(bars));
}

void WelcomeDriveStatus::infoptextClick() {
    if (scanPrompt.Get() && scanNow) scanNow();
}

}  // namespace scourwell::scan

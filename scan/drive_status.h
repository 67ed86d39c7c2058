#pragma once

// Drive status: the drive helpers the scans use (drive lists, drive space, fullness levels),
// the text block of the status log and the quick report, and the Welcome page's drive status:
// the list `pList`, the status message and picture that invite a scan, and the drive bars of
// the product panel.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/list_model.h"
#include "foundation/observable.h"

namespace scourwell::scan {

// Drive types as ListDrives takes them.
enum DriveTypeIndex : int {
    kAnyDrive = -1,
    kRemovableDrive = 0,
    kFixedDrive = 1,
    kNetworkDrive = 2,
    kCdRomDrive = 3,
    kRamDiskDrive = 4,
};

// Roots of the drives of `driveType` in the system's order, each followed by ";"
// ("C:\;D:\;"). When `index` >= 0 only the drive at that position of the system's list
// (counted over all drives, whatever their type) is returned, as "X:\;", provided it has the
// requested type; otherwise the result is empty.
std::string ListDrives(int index, int driveType);
// Splits a ListDrives result into its roots.
std::vector<std::string> SplitDriveList(const std::string& list);

// Free bytes available to the user and total bytes of the drive with this letter. A drive
// that is not ready gives false with both values -1.
bool GetDriveSpace(char letter, int64_t& freeBytes, int64_t& totalBytes);

// Fullness levels of a drive of `total` bytes, each step dividing the previous one (integer
// division truncating toward zero, so a drive of -1 bytes has every mark at 0).
struct FullnessLevels {
    int64_t half = 0;
    int64_t quarter = 0;
    int64_t eighth = 0;
    int64_t fullMark = 0;      // 75 %
    int64_t criticalMark = 0;  // 87.5 %
};
FullnessLevels ComputeLevels(int64_t total);

enum class DriveLevel { Ok, High, Critical };
// Critical at or above the critical mark, High at or above the full mark, else Ok.
DriveLevel GradeUsedSpace(long double used, const FullnessLevels& levels);
// "Ok", "High" or "Critical".
const char* DriveLevelName(DriveLevel level);

// "Hard drives status!" and four lines per fixed drive: root, "Freespace <n>mb",
// "Drivesize <n>mb", the status line.
std::vector<std::string> DriveStatusReport();

// The seven status pictures of the Welcome page (img_error ... img_err).
enum class StatusPicture { Error, Warning, Info, Search, Ok, Person, Err };

inline constexpr uint32_t kBarColourGreen = 11730886;  // the template's light green
inline constexpr uint32_t kBarColourRose = 14604524;   // DED8EC
inline constexpr uint32_t kBarColourRed = 12698111;    // C1C1FF
inline constexpr size_t kMaxDriveBars = 11;

// Height in pixels of the free-space bar: the number of steps of total div (innerHeight - 4)
// needed to reach `free` (0 when free <= 0 or the step is 0).
int DriveBarHeight(int64_t freeBytes, int64_t totalBytes, int innerHeight);

// One drive bar of the product panel, as plain data; the window lays it out.
struct DriveBar {
    char letter = 'C';
    std::string caption;    // "Drive C:\"
    std::string totalText;  // FormatSize(total, true)
    std::string freeText;   // FormatSize(free, true), the bar's own text
    int64_t freeBytes = 0;
    int64_t totalBytes = 0;
    uint32_t colour = kBarColourGreen;

    int Height(int innerHeight) const { return DriveBarHeight(freeBytes, totalBytes, innerHeight); }
    bool operator==(const DriveBar&) const = default;
};

// The Welcome page's drive status: `pList`, `infoptext`, `infpult_img`, the scan prompt and
// the drive bars.
class WelcomeDriveStatus {
  public:
    WelcomeDriveStatus();
    WelcomeDriveStatus(const WelcomeDriveStatus&) = delete;
    WelcomeDriveStatus& operator=(const WelcomeDriveStatus&) = delete;

    // Caption the root; sub-items "Free Space", "Total Space", "Status". Checked items are
    // light blue, "Critical" ones yellow.
    foundation::ListModel pList;
    foundation::Observable<std::string> infoptext{"Status updating..."};
    foundation::Observable<StatusPicture> infpultImg{StatusPicture::Info};
    foundation::Observable<bool> scanPrompt{false};
    // One bar per fixed drive, at most kMaxDriveBars, made on the first refresh. Later
    // refreshes update the bar of the same drive letter: texts and height follow the drive,
    // the colour is only ever raised (rose from 60 % used, red from 80 %). A drive at a
    // position past the bars made so far gets a new bar while there is room.
    foundation::Observable<std::vector<DriveBar>> driveBars;

    // The Welcome page's "Scan Now" action (asks first); run by a click on the status text
    // while the scan prompt is on.
    std::function<void()> scanNow;

    // "Refresh" of "Drives Info:", also run once at start-up.
    void Button21Click();
    // A click on `infoptext`.
    void infoptextClick();

  private:
    void SetStatus(std::string text, StatusPicture picture, bool prompt);
};

// The list colour shared by pList, List1 and List2: "Critical" in the "Status" column
// (sub-item `statusColumn`) is yellow, else a checked item is light blue.
std::optional<uint32_t> DriveListColour(const foundation::ListItem& item, size_t statusColumn);

}  // namespace scourwell::scan

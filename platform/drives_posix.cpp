// Drives of the view: the letters of the machine file or of the host's mount table.

#include <sys/stat.h>
#include <sys/statvfs.h>

#include "platform/drives.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

// The drive's folder when it exists; a missing folder makes the drive "not ready".
const DriveMapping* ReadyDrive(char letter) {
    const DriveMapping* drive = detail::FindDrive(letter);
    if (drive == nullptr) return nullptr;
    struct stat info {};
    if (stat(drive->hostRoot.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return nullptr;
    return drive;
}

}  // namespace

std::vector<char> LogicalDriveLetters() {
    std::vector<char> letters;
    for (const DriveMapping& drive : CurrentMachine().drives) letters.push_back(drive.letter);
    return letters;
}

DriveType GetDriveType(char letter) {
    const DriveMapping* drive = detail::FindDrive(letter);
    return drive == nullptr ? DriveType::NoRootDir : drive->type;
}

bool GetDiskSpace(char letter, int64_t& freeBytes, int64_t& totalBytes) {
    freeBytes = -1;
    totalBytes = -1;
    const DriveMapping* drive = ReadyDrive(letter);
    if (drive == nullptr) return false;
    if (drive->totalBytes && drive->freeBytes) {
        totalBytes = *drive->totalBytes;
        freeBytes = *drive->freeBytes;
        return true;
    }
    struct statvfs info {};
    if (statvfs(drive->hostRoot.c_str(), &info) != 0) return false;
    totalBytes = static_cast<int64_t>(info.f_blocks) * static_cast<int64_t>(info.f_frsize);
    freeBytes = static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
    return true;
}

bool IsDriveReady(char letter) { return ReadyDrive(letter) != nullptr; }

}  // namespace scourwell::platform

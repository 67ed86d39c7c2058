#include "foundation/file_helpers.h"

#include <chrono>

#include <ctime>

#include "foundation/program_context.h"
#include "foundation/text.h"
#include "platform/files.h"
#include "platform/processes.h"

namespace scourwell::foundation {
namespace {

constexpr std::string_view kLetters = "abcdefghijklmnoprsqtuvwxyz";
constexpr std::string_view kDigits = "0123456789";

// The entry's last-write time as a local DOS date (high word) and time (low word); false when
// the time is outside the DOS range (1980 to 2107).
bool ToDosDateTime(int64_t unixSeconds, uint32_t& dosDateTime) {
    const std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm local{};
    if (!localtime_r(&t, &local)) return false;
    const int year = local.tm_year + 1900;
    if (year < 1980 || year > 2107) return false;
    const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) |
                          (static_cast<uint32_t>(local.tm_mon + 1) << 5) |
                          static_cast<uint32_t>(local.tm_mday);
    const uint32_t time = (static_cast<uint32_t>(local.tm_hour) << 11) |
                          (static_cast<uint32_t>(local.tm_min) << 5) |
                          static_cast<uint32_t>(local.tm_sec / 2);
    dosDateTime = (date << 16) | time;
    return true;
}

}  // namespace

int64_t GetFileSizeBytes(std::string_view path) {
    const auto info = platform::GetFileInfo(path);
    if (!info || info->IsDirectory()) return 0;
    if (!platform::CanOpenForRead(path)) return 0;
    return info->size;
}

bool OpensWithMoreThanTenBytes(std::string_view path) { return GetFileSizeBytes(path) > 10; }

bool FilePresent(std::string_view path) {
    if (path.empty()) return false;
    // One lookup answers both halves: the view lists every file it can open, and a folder
    // neither exists as a file nor opens as one. A miss costs a single lookup.
    const auto info = platform::GetFileInfo(path);
    return info && !info->IsDirectory();
}

int64_t FindEntrySize(std::string_view path) {
    platform::DirectoryListing listing(path);
    platform::FindEntry entry;
    if (!listing.IsOpen() || !listing.Next(entry)) return -1;
    // A directory entry carries no size of its own.
    return entry.IsDirectory() ? 0 : entry.size;
}

std::vector<std::string> ListMatchingFilePaths(ProgramContext& context, std::string_view pattern) {
    std::string mask(pattern);
    const size_t wildcard = mask.find("<>");
    if (wildcard != std::string::npos) mask.replace(wildcard, 2, "*");
    const std::string folder = FolderPart(mask);

    std::vector<std::string> paths;
    platform::DirectoryListing listing(mask);  // closed when it goes out of scope
    if (!listing.IsOpen()) return paths;
    platform::FindEntry entry;
    while (listing.Next(entry)) {
        if (!entry.IsDirectory()) {
            uint32_t dos = 0;
            if (ToDosDateTime(entry.lastWriteUnix, dos)) {
                if (dos == 0xFFFFFFFFu) break;
                paths.push_back(folder + entry.name);
            }
        }
        context.ui.PumpEvents();
    }
    return paths;
}

std::string ListMatchingFiles(ProgramContext& context, std::string_view pattern) {
    std::string result;
    for (const std::string& path : ListMatchingFilePaths(context, pattern)) {
        result += path;
        result += ';';
    }
    return result;
}

int DigitValue(std::string_view ch) {
    if (ch.size() != 1) return -1;
    const size_t at = kDigits.find(ch[0]);
    return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

int LetterIndex(std::string_view ch) { return static_cast<int>(Pos(ch, kLetters)); }

std::string LetterAt(int n) {
    if (n < 1 || n > 25) return {};
    return std::string(1, kLetters[static_cast<size_t>(n - 1)]);
}

std::string LettersOnly(std::string_view text) {
    std::string out;
    for (char c : text)
        if (kLetters.find(c) != std::string_view::npos) out += c;
    return out;
}

std::string DigitsOnly(std::string_view text) {
    std::string out;
    for (char c : text)
        if (kDigits.find(c) != std::string_view::npos) out += c;
    return out;
}

std::string TrimTrailingBlanks(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ') --end;
    return std::string(text.substr(0, end));
}

int KillProcessesByName(std::string_view name) {
    // An empty name would match every process without a readable image.
    if (name.empty()) return -1;
    const auto snapshot = platform::ProcessSnapshot();
    if (!snapshot) return -1;
    int result = -1;
    for (const platform::ProcessEntry& process : *snapshot) {
        const bool byName = EqualsIgnoreCase(process.exeName, name) ||
                            (!process.imagePath.empty() && EqualsIgnoreCase(FileNamePart(process.imagePath), name));
        const bool byPath = !process.imagePath.empty() && EqualsIgnoreCase(process.imagePath, name);
        if (!byName && !byPath) continue;
        result = platform::TerminateProcess(process, 0) ? 1 : -1;
    }
    return result;
}

namespace {

// Repeats `attempt` until `done` holds or about one second has passed on the port's clock,
// serving events in between. The shared watchdog shows that a forced delete is running; each
// call measures its own second, so a call nested through the events it serves cannot reset an
// outer call's limit.
template <typename Attempt, typename Done>
void RetryForOneSecond(ProgramContext& context, Attempt attempt, Done done) {
    Watchdog& watchdog = context.watchdog;
    watchdog.Start();
    const auto started = context.ui.Now();
    const auto elapsed = [&] {
        return std::chrono::duration<double>(context.ui.Now() - started).count();
    };
    try {
        attempt();
        while (!done()) {
            context.ui.PumpEvents();
            if (elapsed() > 1.0) break;
            attempt();
        }
    } catch (...) {
        // The attempts end; the caller's test decides.
    }
    watchdog.Stop();
}

}  // namespace

bool ForceDeleteFile(ProgramContext& context, const platform::FileIdentity& file) {
    // Only processes running this very file are ended: a junk copy named like a system program
    // must not take the real one down with it. Clearing "read-only" changes nothing on the
    // host: the delete itself may remove a read-only file.
    if (!platform::GetFileInfo(file)) return false;
    bool removed = false;
    RetryForOneSecond(
        context,
        [&] {
            platform::TerminateProcessesRunning(file);
            removed = platform::DeleteFile(file, true);
        },
        [&] { return removed || !platform::GetFileInfo(file); });
    return removed;
}

bool ForceDeleteFileAtPath(ProgramContext& context, std::string_view path) {
    const std::string target(path);
    const auto file = platform::IdentifyObject(target);
    const auto found = file ? platform::GetFileInfo(*file) : std::nullopt;
    if (!found || found->IsDirectory()) return !FilePresent(target);
    // Done when the object is gone and nothing has taken its exact name (a file written back
    // under it is another object, which this call never deletes).
    const auto nameTaken = [&file] {
        return platform::IdentifyObject(file->path, platform::NameMatch::kExact).has_value();
    };
    bool removed = false;
    RetryForOneSecond(
        context,
        [&] {
            if (removed) return;
            platform::TerminateProcessesRunning(*file);
            removed = platform::DeleteFile(*file, true);
        },
        [&] { return removed && !nameTaken(); });
    return removed && !nameTaken();
}

}  // namespace scourwell::foundation

// The native view of the Linux host. The table it builds is documented in docs/machine-file.md.

#include <langinfo.h>
#include <locale.h>
#include <pwd.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "platform/machine.h"
#include "platform/shell.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

constexpr int kCsidlLocalAppData = 28;

const std::set<std::string>& LocalDiskFileSystems() {
    static const std::set<std::string> types = {
        "ext2", "ext3", "ext4", "xfs", "btrfs", "vfat", "msdos", "exfat", "ntfs", "ntfs3",
        "fuseblk", "f2fs", "zfs", "jfs", "reiserfs", "hfsplus", "udf", "iso9660", "bcachefs"};
    return types;
}

// Mount points in /proc/self/mountinfo escape blanks and a few other bytes as \ooo.
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() &&
            std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
            out += static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<DriveMapping> NativeDrives() {
    std::vector<DriveMapping> drives;
    DriveMapping system;
    system.letter = 'C';
    system.hostRoot = "/";
    drives.push_back(system);

    std::ifstream mounts("/proc/self/mountinfo");
    std::set<std::string> seen = {"/"};
    std::string line;
    char next = 'D';
    while (std::getline(mounts, line) && next <= 'Z') {
        // id parent major:minor root mount-point options [optional fields] - type source ...
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, options, field;
        fields >> id >> parent >> device >> root >> mountPoint >> options;
        while (fields >> field && field != "-") {
        }
        std::string type;
        fields >> type;
        if (!LocalDiskFileSystems().count(type)) continue;
        const std::string point = UnescapeMountField(mountPoint);
        if (point.empty() || point.front() != '/' || !seen.insert(point).second) continue;
        DriveMapping drive;
        drive.letter = next++;
        drive.hostRoot = point;
        const bool media = point.starts_with("/media/") || point.starts_with("/run/media/") ||
                           point.starts_with("/mnt/");
        drive.type = type == "iso9660" || type == "udf" ? DriveType::CdRom
                     : media                           ? DriveType::Removable
                                                       : DriveType::Fixed;
        drives.push_back(drive);
    }
    return drives;
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return detail::NormalizeHostPath(home);
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_dir != nullptr)
        return detail::NormalizeHostPath(entry->pw_dir);
    return "/";
}

std::string EnvFolder(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/') return detail::NormalizeHostPath(value);
    return fallback;
}

// A folder from the XDG user-dirs file ("XDG_DOCUMENTS_DIR="$HOME/Documents"").
std::string XdgUserFolder(const std::string& configHome, const std::string& home,
                          const std::string& key, const std::string& fallback) {
    std::ifstream in(configHome + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        if (!line.starts_with(key + "=")) continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME")) value = home + value.substr(5);
        if (!value.starts_with('/')) continue;
        value = detail::NormalizeHostPath(value);
        // A user folder set to the home folder itself means "switched off": the documents
        // folder must never become the whole home folder.
        if (value != home && value != "/") return value;
    }
    return fallback;
}

// The temporary folder: TMPDIR when it names a folder of its own. Its whole content counts as
// junk, so the root or the home folder is never taken for it.
std::string TempFolder(const std::string& home) {
    const std::string temp = EnvFolder("TMPDIR", "/tmp");
    if (temp == "/" || temp == home || temp.size() < 2) return "/tmp";
    return temp;
}

// Translates a strftime format to the dd/MM/yyyy/HH/mm/ss notation; empty when it has a
// conversion without a counterpart or a literal letter the notation would read as a field.
std::string TranslateStrftime(const std::string& format) {
    std::string out;
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%') {
            if (std::string_view("dMyHhmsAPap").find(c) != std::string_view::npos) return "";
            out += c;
            continue;
        }
        if (++i >= format.size()) return "";
        char conversion = format[i];
        if (conversion == 'E' || conversion == 'O') {  // alternative digits or eras: same field
            if (++i >= format.size()) return "";
            conversion = format[i];
        }
        switch (conversion) {
            case 'd': out += "dd"; break;
            case 'e': out += "d"; break;
            case 'm': out += "MM"; break;
            case 'y': out += "yy"; break;
            case 'Y': out += "yyyy"; break;
            case 'H': out += "HH"; break;
            case 'k': out += "H"; break;
            case 'I': out += "hh"; break;
            case 'l': out += "h"; break;
            case 'M': out += "mm"; break;
            case 'S': out += "ss"; break;
            case 'p': out += "AP"; break;
            case 'P': out += "ap"; break;
            case 'D': out += "MM/dd/yy"; break;
            case 'F': out += "yyyy-MM-dd"; break;
            case 'T': out += "HH:mm:ss"; break;
            case 'R': out += "HH:mm"; break;
            case 'r': out += "hh:mm:ss AP"; break;
            case '%': out += '%'; break;
            default: return "";
        }
    }
    return out;
}

void HostPictures(std::string& shortDate, std::string& longTime) {
    shortDate = "dd.MM.yyyy";
    longTime = "HH:mm:ss";
    const locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return;
    const std::string date = TranslateStrftime(nl_langinfo_l(D_FMT, locale));
    const std::string time = TranslateStrftime(nl_langinfo_l(T_FMT, locale));
    freelocale(locale);
    if (!date.empty()) shortDate = date;
    if (!time.empty()) longTime = time;
}

std::string OsReleaseName() {
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            if (!line.starts_with("PRETTY_NAME=")) continue;
            std::string value = line.substr(12);
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front())
                value = value.substr(1, value.size() - 2);
            return value;
        }
    }
    return "Linux";
}

std::string UserName() {
    if (const passwd* entry = getpwuid(geteuid()); entry != nullptr && entry->pw_name != nullptr)
        return entry->pw_name;
    const char* user = std::getenv("USER");
    return user != nullptr ? user : "";
}

std::string ProgramFolder() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0) return "";
    std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The temporary folder often lives on a file system of its own (a tmpfs for /tmp). Paths never
// cross into another file system, so that file system gets a letter of its own, as a RAM disk
// when it lives in memory; the temporary folder is then reached through that letter.
void AddTemporaryFileSystem(std::vector<DriveMapping>& drives, const std::string& temp) {
    struct stat tempInfo {};
    if (stat(temp.c_str(), &tempInfo) != 0 || !S_ISDIR(tempInfo.st_mode)) return;
    // The highest folder above `temp` on the same device is its mount point.
    std::string mountPoint = temp;
    while (mountPoint != "/") {
        const size_t slash = mountPoint.rfind('/');
        const std::string parent = slash == 0 ? "/" : mountPoint.substr(0, slash);
        struct stat parentInfo {};
        if (stat(parent.c_str(), &parentInfo) != 0 || parentInfo.st_dev != tempInfo.st_dev) break;
        mountPoint = parent;
    }
    for (const DriveMapping& drive : drives)
        if (drive.hostRoot == mountPoint) return;
    if (drives.size() >= 24) return;  // C: to Z: taken
    struct statfs fs {};
    DriveMapping drive;
    drive.letter = static_cast<char>(drives.back().letter + 1);
    drive.hostRoot = mountPoint;
    drive.type = statfs(mountPoint.c_str(), &fs) == 0 && fs.f_type == TMPFS_MAGIC
                     ? DriveType::RamDisk
                     : DriveType::Fixed;
    drives.push_back(drive);
}

}  // namespace

MachineConfig NativeMachine() {
    MachineConfig config;
    config.native = true;
    config.drives = NativeDrives();
    const auto windows = [&](const std::string& host) {
        std::string path = detail::MapHostToWindows(config.drives, host).value_or("");
        while (path.size() > 3 && path.back() == '\\') path.pop_back();
        if (path.size() == 3) path.pop_back();  // "C:\" -> "C:", like every other folder
        return path;
    };

    const std::string home = HomeFolder();
    const std::string configHome = EnvFolder("XDG_CONFIG_HOME", home + "/.config");
    const std::string dataHome = EnvFolder("XDG_DATA_HOME", home + "/.local/share");
    const std::string cacheHome = EnvFolder("XDG_CACHE_HOME", home + "/.cache");

    config.user = UserName();
    HostPictures(config.shortDate, config.longTime);
    config.windowsDir = "C:\\usr";
    config.systemDir = "C:\\usr\\bin";
    const std::string temp = TempFolder(home);
    AddTemporaryFileSystem(config.drives, temp);
    config.tempDir = windows(temp);
    config.programDir = windows(ProgramFolder());
    config.registryStore = dataHome + "/Scourwell/registry.db";

    auto& folders = config.specialFolders;
    folders[kCsidlPersonal] = windows(XdgUserFolder(configHome, home, "XDG_DOCUMENTS_DIR", home + "/Documents"));
    folders[kCsidlDesktopDirectory] = windows(XdgUserFolder(configHome, home, "XDG_DESKTOP_DIR", home + "/Desktop"));
    folders[kCsidlTemplates] = windows(XdgUserFolder(configHome, home, "XDG_TEMPLATES_DIR", home + "/Templates"));
    folders[kCsidlStartup] = windows(configHome + "/autostart");
    folders[kCsidlStartMenu] = windows(dataHome + "/applications");
    folders[kCsidlCommonStartMenu] = windows("/usr/share/applications");
    folders[kCsidlCommonPrograms] = windows("/usr/share/applications");
    folders[kCsidlCommonStartup] = windows("/etc/xdg/autostart");
    folders[kCsidlAppData] = windows(configHome);
    folders[kCsidlLocalAppData] = windows(dataHome);
    folders[kCsidlInternetCache] = windows(cacheHome);
    folders[kCsidlCommonAppData] = windows("/var/lib");
    folders[kCsidlProfile] = windows(home);

    // What the host's own clean-up of /tmp leaves alone, no clean-up here touches either.
    config.tmpfilesFolders = {"/etc/tmpfiles.d", "/run/tmpfiles.d", "/usr/local/lib/tmpfiles.d",
                              "/usr/lib/tmpfiles.d"};
    config.keepRules = ReadTmpfilesKeepRules(config.tmpfilesFolders);

    WindowsVersion version;
    version.platform = WindowsVersion::Platform::NT;
    version.major = 6;
    version.minor = 2;
    version.workstation = true;
    utsname system{};
    std::string release;
    if (uname(&system) == 0) {
        version.amd64 = std::string_view(system.machine) == "x86_64";
        release = system.release;
    }
    config.winver = version;
    config.hostDescription = OsReleaseName() + ", Linux " + release;
    return config;
}

}  // namespace scourwell::platform

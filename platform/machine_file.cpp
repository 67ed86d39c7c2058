// Reading a machine file (INI). Every key is documented in docs/machine-file.md.

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// A ';' or '#' that starts the line or follows a blank begins a comment, unless it is inside
// double quotes.
std::string_view StripComment(std::string_view line) {
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') quoted = !quoted;
        if (!quoted && (c == ';' || c == '#') &&
            (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
            return line.substr(0, i);
        }
    }
    return line;
}

std::string Unquote(std::string_view s) {
    s = Trim(s);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return std::string(s);
}

// Splits on commas outside double quotes.
std::vector<std::string> SplitList(std::string_view s) {
    std::vector<std::string> parts;
    std::string current;
    bool quoted = false;
    for (char c : s) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            parts.push_back(std::string(Trim(current)));
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(std::string(Trim(current)));
    return parts;
}

class Parser {
public:
    explicit Parser(std::string file) : file_(std::move(file)) {
        folder_ = std::filesystem::absolute(std::filesystem::path(file_)).parent_path().string();
    }

    [[noreturn]] void Fail(const std::string& message) const {
        std::ostringstream text;
        text << file_;
        if (line_ > 0) text << ":" << line_;
        if (!key_.empty()) text << ": key '" << key_ << "'";
        text << ": " << message;
        throw MachineFileError(text.str());
    }

    MachineConfig Run() {
        std::ifstream in(file_, std::ios::binary);
        if (!in) Fail("cannot open the machine file");
        MachineConfig config;
        config.winver.reset();
        std::string section;
        std::set<std::string> seen;
        std::string raw;
        while (std::getline(in, raw)) {
            ++line_;
            key_.clear();
            std::string_view text = raw;
            if (line_ == 1 && text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
            text = Trim(StripComment(text));
            if (text.empty()) continue;
            if (text.front() == '[') {
                if (text.back() != ']') Fail("malformed section header '" + std::string(text) + "'");
                section = Lower(Trim(text.substr(1, text.size() - 2)));
                if (section != "machine" && section != "drives" && section != "folders")
                    Fail("unknown section [" + section + "]");
                continue;
            }
            const size_t eq = text.find('=');
            if (eq == std::string_view::npos) Fail("expected 'key = value', got '" + std::string(text) + "'");
            key_ = std::string(Trim(text.substr(0, eq)));
            const std::string_view value = Trim(text.substr(eq + 1));
            if (key_.empty()) Fail("a key is missing before '='");
            if (section.empty()) Fail("key outside any section");
            // A folder's number is its key: "5" and "05" name the same folder.
            const std::string name = section == "folders" ? FolderNumberKey() : Lower(key_);
            if (!seen.insert(section + "/" + name).second) Fail("given twice");
            if (section == "machine") {
                MachineKey(config, Lower(key_), value);
            } else if (section == "drives") {
                DriveKey(config, value);
            } else {
                FolderKey(config, value);
            }
        }
        line_ = 0;
        key_.clear();
        Finish(config);
        return config;
    }

private:
    std::string HostPath(std::string_view value) const {
        const std::string path = Unquote(value);
        if (path.empty()) Fail("a host path is required");
        std::filesystem::path p(path);
        if (p.is_relative()) p = std::filesystem::path(folder_) / p;
        return detail::NormalizeHostPath(p.string());
    }

    std::string WindowsDir(std::string_view value) const {
        std::string path = Unquote(value);
        for (char& c : path)
            if (c == '/') c = '\\';
        const bool drive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                           path[1] == ':' && (path.size() == 2 || path[2] == '\\');
        if (!drive) Fail("'" + path + "' is not a Windows path such as C:\\Folder");
        // ".." would let a folder such as the temporary folder stand for a drive root.
        for (size_t start = 3; start <= path.size();) {
            const size_t end = std::min(path.find('\\', start), path.size());
            const std::string_view part(path.data() + start, end - start);
            if (part == "." || part == "..")
                Fail("'" + path + "' holds a \"" + std::string(part) + "\" folder");
            start = end + 1;
        }
        path[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
        while (path.size() > 3 && path.back() == '\\') path.pop_back();
        if (path.size() == 3) path.pop_back();  // "C:\" -> "C:"
        return path;
    }

    int64_t Number(std::string_view text) const {
        int64_t value = 0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < 0)
            Fail("'" + std::string(text) + "' is not a byte count");
        return value;
    }

    void MachineKey(MachineConfig& config, const std::string& key, std::string_view value) {
        if (key == "user") {
            config.user = Unquote(value);
        } else if (key == "shortdate") {
            config.shortDate = Unquote(value);
        } else if (key == "longtime") {
            config.longTime = Unquote(value);
        } else if (key == "windows") {
            config.windowsDir = WindowsDir(value);
        } else if (key == "system") {
            config.systemDir = WindowsDir(value);
        } else if (key == "temp") {
            config.tempDir = WindowsDir(value);
            tempLine_ = line_;
        } else if (key == "program") {
            config.programDir = WindowsDir(value);
        } else if (key == "registry") {
            config.registryStore = HostPath(value);
        } else if (key == "import") {
            for (const std::string& file : SplitList(value))
                if (!file.empty()) config.importFiles.push_back(HostPath(file));
        } else if (key == "winver") {
            config.winver = WindowsVersionValue(value);
        } else if (key == "tmpfiles") {
            for (const std::string& folder : SplitList(value))
                if (!folder.empty()) config.tmpfilesFolders.push_back(HostPath(folder));
        } else if (key == "hostdesc") {
            config.hostDescription = Unquote(value);
        } else {
            Fail("unknown key in [machine]");
        }
    }

    std::optional<WindowsVersion> WindowsVersionValue(std::string_view value) const {
        // Tokens separated by blanks; csd may be quoted and contain blanks.
        std::vector<std::string> tokens;
        std::string current;
        bool quoted = false;
        for (char c : value) {
            if (c == '"') {
                quoted = !quoted;
                continue;
            }
            if (!quoted && std::isspace(static_cast<unsigned char>(c))) {
                if (!current.empty()) tokens.push_back(current);
                current.clear();
            } else {
                current += c;
            }
        }
        if (quoted) Fail("unbalanced quote in the version record");
        if (!current.empty()) tokens.push_back(current);
        if (tokens.size() == 1 && Lower(tokens[0]) == "none") return std::nullopt;
        if (tokens.size() < 2) Fail("expected 'platform major.minor [csd=..] [product=..] [arch=..]' or 'none'");

        WindowsVersion version;
        const std::string platform = Lower(tokens[0]);
        if (platform == "win32s") {
            version.platform = WindowsVersion::Platform::Win32s;
        } else if (platform == "9x") {
            version.platform = WindowsVersion::Platform::Windows9x;
        } else if (platform == "nt") {
            version.platform = WindowsVersion::Platform::NT;
        } else {
            Fail("unknown platform '" + tokens[0] + "' (win32s, 9x or nt)");
        }
        const auto number = [&](const std::string& t) {
            uint32_t n = 0;
            const auto r = std::from_chars(t.data(), t.data() + t.size(), n);
            if (r.ec != std::errc() || r.ptr != t.data() + t.size()) Fail("'" + t + "' is not a version number");
            return n;
        };
        // "6.1", or major and minor as two numbers ("6 1").
        size_t next = 2;
        if (const size_t dot = tokens[1].find('.'); dot != std::string::npos) {
            version.major = number(tokens[1].substr(0, dot));
            version.minor = number(tokens[1].substr(dot + 1));
        } else {
            if (tokens.size() < 3 || tokens[2].find('=') != std::string::npos)
                Fail("the version record needs a major and a minor number");
            version.major = number(tokens[1]);
            version.minor = number(tokens[2]);
            next = 3;
        }
        for (size_t i = next; i < tokens.size(); ++i) {
            const size_t eq = tokens[i].find('=');
            if (eq == std::string::npos) Fail("expected name=value in the version record, got '" + tokens[i] + "'");
            const std::string name = Lower(tokens[i].substr(0, eq));
            const std::string v = tokens[i].substr(eq + 1);
            if (name == "csd") {
                version.csd = v;
            } else if (name == "product") {
                if (Lower(v) == "workstation") {
                    version.workstation = true;
                } else if (Lower(v) == "server") {
                    version.workstation = false;
                } else {
                    Fail("unknown product '" + v + "' (workstation or server)");
                }
            } else if (name == "arch") {
                if (Lower(v) == "amd64") {
                    version.amd64 = true;
                } else if (Lower(v) == "x86") {
                    version.amd64 = false;
                } else {
                    Fail("unknown arch '" + v + "' (x86 or amd64)");
                }
            } else {
                Fail("unknown field '" + name + "' in the version record");
            }
        }
        return version;
    }

    void DriveKey(MachineConfig& config, std::string_view value) {
        if (key_.size() != 1 || !std::isalpha(static_cast<unsigned char>(key_[0])))
            Fail("a drive is named by one letter A to Z");
        DriveMapping drive;
        drive.letter = static_cast<char>(std::toupper(static_cast<unsigned char>(key_[0])));
        const std::vector<std::string> parts = SplitList(value);
        drive.hostRoot = HostPath(parts[0]);
        for (size_t i = 1; i < parts.size(); ++i) {
            const size_t eq = parts[i].find('=');
            if (eq == std::string::npos) Fail("expected type=, total= or free=, got '" + parts[i] + "'");
            const std::string name = Lower(Trim(std::string_view(parts[i]).substr(0, eq)));
            const std::string v = std::string(Trim(std::string_view(parts[i]).substr(eq + 1)));
            if (name == "type") {
                const std::string t = Lower(v);
                if (t == "fixed") {
                    drive.type = DriveType::Fixed;
                } else if (t == "removable") {
                    drive.type = DriveType::Removable;
                } else if (t == "network") {
                    drive.type = DriveType::Network;
                } else if (t == "cdrom") {
                    drive.type = DriveType::CdRom;
                } else if (t == "ramdisk") {
                    drive.type = DriveType::RamDisk;
                } else {
                    Fail("unknown drive type '" + v + "' (fixed, removable, network, cdrom, ramdisk)");
                }
            } else if (name == "total") {
                drive.totalBytes = Number(v);
            } else if (name == "free") {
                drive.freeBytes = Number(v);
            } else {
                Fail("unknown drive attribute '" + name + "'");
            }
        }
        if (drive.totalBytes.has_value() != drive.freeBytes.has_value())
            Fail("total and free are declared together");
        if (drive.totalBytes && *drive.freeBytes > *drive.totalBytes) Fail("free is larger than total");
        config.drives.push_back(drive);
    }

    int FolderNumber() const {
        int csidl = -1;
        const auto r = std::from_chars(key_.data(), key_.data() + key_.size(), csidl);
        if (r.ec != std::errc() || r.ptr != key_.data() + key_.size() || csidl < 0)
            Fail("a special folder is named by its CSIDL number");
        return csidl;
    }
    std::string FolderNumberKey() const { return std::to_string(FolderNumber()); }

    void FolderKey(MachineConfig& config, std::string_view value) {
        config.specialFolders[FolderNumber()] = WindowsDir(value);
    }

    // Everything in the temporary folder counts as junk, so it is never a whole drive, except
    // a RAM disk of its own that holds neither the Windows folder nor anything else declared.
    void CheckTemporaryFolder(const MachineConfig& config) {
        if (tempLine_ == 0 || config.tempDir.size() > 2) return;
        const char letter = config.tempDir[0];
        bool ramDisk = false;
        for (const DriveMapping& drive : config.drives)
            if (drive.letter == letter) ramDisk = drive.type == DriveType::RamDisk;
        // Every declared folder counts: the whole drive's contents are junk to a scan.
        const auto onDrive = [letter](const std::string& folder) {
            return !folder.empty() && std::toupper(static_cast<unsigned char>(folder[0])) == letter;
        };
        bool shared = onDrive(config.windowsDir) || onDrive(config.systemDir) ||
                      onDrive(config.programDir);
        for (const auto& [csidl, folder] : config.specialFolders)
            if (onDrive(folder)) shared = true;
        if (ramDisk && !shared) return;
        line_ = tempLine_;
        key_ = "temp";
        Fail("'" + config.tempDir + "\\' is a whole drive; the temporary folder must be a folder "
             "(or a RAM disk of its own)");
    }

    void Finish(MachineConfig& config) {
        std::sort(config.drives.begin(), config.drives.end(),
                  [](const DriveMapping& a, const DriveMapping& b) { return a.letter < b.letter; });
        if (config.windowsDir.empty()) config.windowsDir = "C:\\Windows";
        if (config.systemDir.empty()) config.systemDir = config.windowsDir + "\\System32";
        if (config.tempDir.empty()) config.tempDir = config.windowsDir + "\\Temp";
        CheckTemporaryFolder(config);
        config.keepRules = ReadTmpfilesKeepRules(config.tmpfilesFolders);
        if (config.registryStore.empty())
            config.registryStore = detail::NormalizeHostPath(folder_ + "/registry.db");
    }

    std::string file_;
    std::string folder_;
    int line_ = 0;
    int tempLine_ = 0;  // where `temp` was given
    std::string key_;
};

}  // namespace

MachineConfig LoadMachineFile(const std::string& hostPath) {
    return Parser(hostPath).Run();
}

}  // namespace scourwell::platform

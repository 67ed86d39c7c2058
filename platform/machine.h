#pragma once

// The machine view: how the program sees a Windows-shaped machine on this host.
//
// A view maps drive letters to host folders and names the Windows folders, the user, the
// locale pictures, the registry store and the Windows version. It comes either from the
// native host (no configuration) or from an INI "machine file" named by SCOURWELL_MACHINE.
// Every key of the machine file is documented in docs/machine-file.md.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace scourwell::platform {

enum class DriveType { Unknown, NoRootDir, Removable, Fixed, Network, CdRom, RamDisk };

struct DriveMapping {
    char letter = 'C';             // upper case
    std::string hostRoot;          // absolute host folder, no trailing slash (except "/")
    DriveType type = DriveType::Fixed;
    std::optional<int64_t> totalBytes;  // declared sizes override statvfs
    std::optional<int64_t> freeBytes;
};

struct WindowsVersion {
    enum class Platform { Win32s, Windows9x, NT, Other };
    Platform platform = Platform::NT;
    uint32_t major = 6;
    uint32_t minor = 1;
    std::string csd;          // service-pack text
    bool workstation = true;  // product type
    bool amd64 = true;        // native processor architecture
};

// A path that the host's own clean-up of temporary folders leaves alone (an "x" or "X" line of
// tmpfiles.d): a shell pattern over host paths; with `contents` ("x"), everything below a
// matching folder as well.
struct HostKeepRule {
    std::string pattern;
    bool contents = true;
};

struct MachineConfig {
    bool native = false;
    std::string user;
    std::string shortDate = "dd.MM.yyyy";  // pictures in dd/MM/yyyy/HH/mm/ss notation
    std::string longTime = "HH:mm:ss";
    std::string windowsDir;  // Windows paths of the view, no trailing backslash
    std::string systemDir;
    std::string tempDir;
    std::string programDir;  // folder of the program file inside the view (may be empty)
    std::string registryStore;            // host path of the SQLite hive store
    std::vector<std::string> importFiles;  // host paths of .reg files imported on creation
    std::optional<WindowsVersion> winver;  // absent: the version cannot be read
    std::string hostDescription;           // native view: the Linux system's name and kernel
    std::vector<DriveMapping> drives;      // in letter order
    std::map<int, std::string> specialFolders;  // CSIDL number -> Windows path
    // Host folders of tmpfiles.d configuration, the first overriding the others, and the rules
    // read from them.
    std::vector<std::string> tmpfilesFolders;
    std::vector<HostKeepRule> keepRules;
};

// The "x" and "X" rules of the tmpfiles.d files in these host folders (a file name found in
// several is read from the first). Folders or files that cannot be read add nothing.
std::vector<HostKeepRule> ReadTmpfilesKeepRules(const std::vector<std::string>& folders);

class MachineFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a machine file. Relative host paths are relative to the file's folder.
// Throws MachineFileError with a message naming the file, line and key on any error,
// including unknown sections and keys.
MachineConfig LoadMachineFile(const std::string& hostPath);

// The native view of the Linux host (C: is "/").
MachineConfig NativeMachine();

// Installs a view as the current one; the registry store is opened (and created and seeded
// from importFiles when missing) lazily on first use.
void UseMachine(MachineConfig config);

// The view from SCOURWELL_MACHINE when set and non-empty, otherwise the native view.
// Throws MachineFileError when the file is bad.
void UseMachineFromEnvironment();

// The current view; the native view is installed on first use when none was.
const MachineConfig& CurrentMachine();

}  // namespace scourwell::platform

#pragma once

// A Windows-shaped machine view built in a fresh temporary folder, installed as the current
// view for the life of the object. Tests never see the real user's files, registry or
// processes.
//
//   TestMachine m;                       // drive C: of 100 000 000 000 bytes, 25% used
//   m.WriteFile("C:\\Temp\\a.tmp", "abc");
//   m.Install();                         // (the constructor installs; call again after changes)

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace scourwell::testing {

struct TestDrive {
    char letter = 'C';
    std::string type = "fixed";
    int64_t total = 100'000'000'000;
    int64_t free = 75'000'000'000;
};

class TestMachine {
public:
    explicit TestMachine(std::vector<TestDrive> drives = {TestDrive{}});
    ~TestMachine();
    TestMachine(const TestMachine&) = delete;
    TestMachine& operator=(const TestMachine&) = delete;

    // Host folder of the whole fixture and of a drive.
    const std::string& Root() const { return root_; }
    std::string DriveFolder(char letter) const;
    // Host path for a Windows path of this machine (drive folder + components).
    std::string Host(const std::string& windowsPath) const;

    // Creates the file (and its folders) with the given bytes.
    void WriteFile(const std::string& windowsPath, const std::string& contents);
    // Creates a file of `size` bytes without writing them (a sparse file).
    void WriteSparseFile(const std::string& windowsPath, int64_t size);
    void MakeDirectory(const std::string& windowsPath);
    bool Exists(const std::string& windowsPath) const;
    std::string ReadFile(const std::string& windowsPath) const;

    // Extra machine-file lines for [machine], [folders] or [drives], applied by Install().
    void SetMachineKey(const std::string& key, const std::string& value);
    void SetFolder(int csidl, const std::string& windowsPath);
    void SetDrive(const TestDrive& drive);
    // Imports .reg text into the machine's registry store.
    void AddRegText(const std::string& regText);

    // Writes the machine file and installs the view (the constructor does this once).
    void Install();
    std::string MachineFilePath() const { return root_ + "/machine.ini"; }

    // The Windows folders this fixture declares.
    static constexpr const char* kUser = "tester";
    static constexpr const char* kWindows = "C:\\Windows";
    static constexpr const char* kSystem = "C:\\Windows\\System32";
    static constexpr const char* kTemp = "C:\\Users\\tester\\AppData\\Local\\Temp";
    static constexpr const char* kAppData = "C:\\Users\\tester\\AppData\\Roaming";
    static constexpr const char* kCommonAppData = "C:\\ProgramData";
    static constexpr const char* kDocuments = "C:\\Users\\tester\\Documents";
    static constexpr const char* kProfile = "C:\\Users\\tester";
    static constexpr const char* kProgram = "C:\\Program Files\\Scourwell";
    static constexpr const char* kDataFolder =
        "C:\\Users\\tester\\AppData\\Roaming\\Vantoric\\Scourwell\\Settings\\";

private:
    std::string root_;
    std::vector<TestDrive> drives_;
    std::map<std::string, std::string> machineKeys_;
    std::map<int, std::string> folders_;
    std::vector<std::string> regTexts_;
    int extraRegFiles_ = 0;
};

}  // namespace scourwell::testing

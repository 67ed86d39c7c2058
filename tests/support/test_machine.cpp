#include "tests/support/test_machine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/machine.h"
#include "platform/registry.h"

namespace fs = std::filesystem;

namespace scourwell::testing {
namespace {

std::string MakeTempRoot() {
    std::string pattern = (fs::temp_directory_path() / "scourwell-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

const char* kSeedReg =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\r\n"
    "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\r\n"
    "\"CommonFilesDir\"=\"C:\\\\Program Files\\\\Common Files\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
    "\"Local AppData\"=\"C:\\\\Users\\\\tester\\\\AppData\\\\Local\"\r\n";

}  // namespace

TestMachine::TestMachine(std::vector<TestDrive> drives)
    : root_(MakeTempRoot()), drives_(std::move(drives)) {
    for (const auto& d : drives_) fs::create_directories(DriveFolder(d.letter));
    folders_ = {{5, kDocuments},
                {26, kAppData},
                {35, kCommonAppData},
                {40, kProfile},
                {16, "C:\\Users\\tester\\Desktop"},
                {7, "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
                {11, "C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
                {22, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu"},
                {24, "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"}};
    regTexts_.push_back(kSeedReg);
    // The folders a Windows machine always has.
    for (const char* folder : {kWindows, kSystem, kTemp, kAppData, kCommonAppData, kDocuments,
                               kProgram, "C:\\Program Files\\Common Files"}) {
        if (Host(folder).rfind(DriveFolder('C'), 0) == 0 && fs::exists(DriveFolder('C')))
            MakeDirectory(folder);
    }
    Install();
}

TestMachine::~TestMachine() {
    std::error_code ec;
    // Give back write permission that a test may have taken away, then remove everything.
    for (auto it = fs::recursive_directory_iterator(root_, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(root_, ec);
}

std::string TestMachine::DriveFolder(char letter) const {
    return root_ + "/drive_" + static_cast<char>(std::tolower(letter));
}

std::string TestMachine::Host(const std::string& windowsPath) const {
    if (windowsPath.size() < 2 || windowsPath[1] != ':')
        throw std::invalid_argument("not a drive path: " + windowsPath);
    std::string host = DriveFolder(windowsPath[0]);
    std::string rest = windowsPath.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    while (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (!rest.empty() && rest.front() != '/') host += '/';
    return host + rest;
}

void TestMachine::WriteFile(const std::string& windowsPath, const std::string& contents) {
    const std::string host = Host(windowsPath);
    fs::create_directories(fs::path(host).parent_path());
    std::ofstream out(host, std::ios::binary | std::ios::trunc);
    out << contents;
    if (!out) throw std::runtime_error("cannot write " + host);
}

void TestMachine::WriteSparseFile(const std::string& windowsPath, int64_t size) {
    const std::string host = Host(windowsPath);
    fs::create_directories(fs::path(host).parent_path());
    { std::ofstream out(host, std::ios::binary | std::ios::trunc); }
    fs::resize_file(host, static_cast<uintmax_t>(size));
}

void TestMachine::MakeDirectory(const std::string& windowsPath) {
    fs::create_directories(Host(windowsPath));
}

bool TestMachine::Exists(const std::string& windowsPath) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(Host(windowsPath), ec));
}

std::string TestMachine::ReadFile(const std::string& windowsPath) const {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void TestMachine::SetMachineKey(const std::string& key, const std::string& value) {
    machineKeys_[key] = value;
}

void TestMachine::SetFolder(int csidl, const std::string& windowsPath) { folders_[csidl] = windowsPath; }

void TestMachine::SetDrive(const TestDrive& drive) {
    for (auto& d : drives_) {
        if (d.letter == drive.letter) {
            d = drive;
            return;
        }
    }
    drives_.push_back(drive);
    fs::create_directories(DriveFolder(drive.letter));
}

void TestMachine::AddRegText(const std::string& regText) {
    // The store already exists (the constructor installed the view): import straight away.
    const std::string file = root_ + "/extra" + std::to_string(extraRegFiles_++) + ".reg";
    std::ofstream(file, std::ios::binary) << regText;
    std::string error;
    if (!platform::ImportRegFile(file, &error))
        throw std::runtime_error("cannot import test registry text: " + error);
}

void TestMachine::Install() {
    std::vector<std::string> regFiles;
    for (size_t i = 0; i < regTexts_.size(); ++i) {
        const std::string name = "seed" + std::to_string(i) + ".reg";
        std::ofstream(root_ + "/" + name, std::ios::binary) << regTexts_[i];
        regFiles.push_back(name);
    }
    std::map<std::string, std::string> keys = {
        {"user", kUser},
        {"shortdate", "dd.MM.yyyy"},
        {"longtime", "HH:mm:ss"},
        {"windows", kWindows},
        {"system", kSystem},
        {"temp", kTemp},
        {"program", kProgram},
        {"registry", "registry.db"},
        {"winver", "nt 6.1 csd=\"Service Pack 1\" product=workstation arch=amd64"},
    };
    std::string imports;
    for (const auto& f : regFiles) imports += (imports.empty() ? "" : ", ") + f;
    keys["import"] = imports;
    for (const auto& [k, v] : machineKeys_) keys[k] = v;

    std::ofstream ini(MachineFilePath(), std::ios::trunc);
    ini << "[machine]\n";
    for (const auto& [k, v] : keys)
        if (!v.empty()) ini << k << " = " << v << "\n";
    ini << "\n[drives]\n";
    for (const auto& d : drives_) {
        ini << d.letter << " = drive_" << static_cast<char>(std::tolower(d.letter))
            << ", type=" << d.type;
        if (d.total >= 0) ini << ", total=" << d.total << ", free=" << d.free;
        ini << "\n";
    }
    ini << "\n[folders]\n";
    for (const auto& [csidl, path] : folders_) ini << csidl << " = " << path << "\n";
    ini.close();
    platform::UseMachine(platform::LoadMachineFile(MachineFilePath()));
}


}  // namespace scourwell::testing

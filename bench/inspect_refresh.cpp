// Times the inspection refreshes on a large machine: 5 000 Run values (half of them naming
// programs that exist) and 300 running processes of 30 executables, all inside a machine view
// built in a temporary folder.
//
// Times the start-up refreshes of the Process Manager and the Startup Manager, the start-up
// file collection, the FileGuard refresh and a quick report build, and the longest stretch
// during which no window events were served (per step, and over all). The last line is "refresh S s": the two start-up
// refreshes together, the median of the rounds.
//
// Usage: inspect_refresh [rounds]

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/program_context.h"
#include "foundation/ui_port.h"
#include "inspect/inspection.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "quarantine/quarantine_store.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRunValues = 5000;
constexpr int kExecutables = 30;
constexpr int kProcesses = 300;

// Counts pumps and the longest time between two of them (how long the window would freeze).
class TimingUi : public scourwell::foundation::UiPort {
  public:
    void PumpEvents() override {
        const auto now = Clock::now();
        longestGap = std::max(longestGap, now - last);
        last = now;
        ++pumps;
    }
    bool AskYesNo(std::string_view, std::string_view) override { return false; }
    void Tell(std::string_view, std::string_view, scourwell::foundation::MessageIcon) override {}
    void OpenDocument(std::string_view) override {}
    void Post(std::function<void()> call) override { call(); }
    std::chrono::system_clock::time_point Now() override {
        return std::chrono::system_clock::now();
    }
    void Start() {
        last = Clock::now();
        longestGap = {};
        pumps = 0;
    }
    double LongestGapMs() {
        PumpEvents();
        --pumps;
        return std::chrono::duration<double, std::milli>(longestGap).count();
    }
    Clock::time_point last;
    Clock::duration longestGap{};
    long pumps = 0;
};

std::string BuildMachine(const std::string& root) {
    const std::string c = root + "/drive_c";
    fs::create_directories(c + "/Windows/System32");
    fs::create_directories(c + "/Program Files/Scourwell");
    fs::create_directories(c + "/Users/bench/AppData/Roaming");
    fs::create_directories(c + "/Users/bench/AppData/Local/Temp");
    fs::copy_file(SCOURWELL_BENCH_SOURCE_DIR "/data/RegBase.rgk",
                  c + "/Program Files/Scourwell/RegBase.rgk");
    std::ofstream reg(root + "/seed.reg", std::ios::binary);
    reg << "Windows Registry Editor Version 5.00\r\n\r\n"
        << "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n";
    for (int i = 0; i < kRunValues; ++i) {
        const std::string folder = "Vendor" + std::to_string(i % 100);
        const std::string name = "prog" + std::to_string(i) + ".exe";
        if (i % 2 == 0) {
            fs::create_directories(c + "/Program Files/" + folder);
            std::ofstream(c + "/Program Files/" + folder + "/" + name) << "program " << i;
        }
        reg << "\"Value" << i << "\"=\"\\\"C:\\\\Program Files\\\\" << folder << "\\\\" << name
            << "\\\" /background /id=" << i << "\"\r\n";
    }
    reg.close();
    std::ofstream ini(root + "/machine.ini");
    ini << "[machine]\nuser = bench\nwindows = C:\\Windows\nsystem = C:\\Windows\\System32\n"
        << "temp = C:\\Users\\bench\\AppData\\Local\\Temp\nprogram = C:\\Program Files\\Scourwell\n"
        << "registry = registry.db\nimport = seed.reg\n\n[drives]\nC = drive_c\n\n"
        << "[folders]\n26 = C:\\Users\\bench\\AppData\\Roaming\n";
    return root + "/machine.ini";
}

std::vector<pid_t> StartProcesses(const std::string& root) {
    std::vector<pid_t> pids;
    const std::string folder = root + "/drive_c/Tasks";
    fs::create_directories(folder);
    for (int e = 0; e < kExecutables; ++e) {
        const std::string exe = folder + "/task" + std::to_string(e) + ".exe";
        fs::copy_file("/bin/sleep", exe);
    }
    for (int i = 0; i < kProcesses; ++i) {
        const std::string exe = folder + "/task" + std::to_string(i % kExecutables) + ".exe";
        const char* argv[] = {"task", "600", nullptr};
        pid_t pid = -1;
        if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, const_cast<char* const*>(argv),
                        environ) == 0)
            pids.push_back(pid);
    }
    return pids;
}

template <typename F>
double Seconds(TimingUi& ui, double& gapMs, F&& work) {
    ui.Start();
    const auto start = Clock::now();
    work();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    gapMs = ui.LongestGapMs();
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    char pattern[] = "/tmp/scourwell-bench-inspect-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::string root = pattern;
    std::printf("building the machine in %s\n", root.c_str());
    const std::string machineFile = BuildMachine(root);
    scourwell::platform::UseMachine(scourwell::platform::LoadMachineFile(machineFile));
    const std::vector<pid_t> pids = StartProcesses(root);
    usleep(300000);  // let every process replace its image

    // The registry store is created, and the seed imported, on its first use: not timed.
    scourwell::platform::RegistryKey::Open(scourwell::platform::RootKey::CurrentUser, "Software",
                                           false);

    TimingUi ui;
    scourwell::foundation::ProgramContext context(ui);
    scourwell::quarantine::QuarantineStore store(context);
    scourwell::inspect::Inspection inspection(context, store);

    std::vector<double> refresh, collect, fileguard, report;
    double worstGap = 0;
    double gaps[5] = {};
    for (int round = 0; round < rounds; ++round) {
        const double tasks = Seconds(ui, gaps[0], [&] { inspection.processManager.Button7Click(); });
        const double values = Seconds(ui, gaps[1], [&] { inspection.startupManager.Button4Click(); });
        refresh.push_back(tasks + values);
        collect.push_back(Seconds(ui, gaps[2], [&] {
            scourwell::inspect::CollectStartupFiles(context, inspection.startupFiles);
        }));
        fileguard.push_back(Seconds(ui, gaps[3], [&] { inspection.fileGuard.Button9Click(); }));
        report.push_back(Seconds(ui, gaps[4], [&] { inspection.quickReport.Button12Click(); }));
        for (double gap : gaps) worstGap = std::max(worstGap, gap);
        std::printf("round %d: tasks %.3f s (%zu rows), start-up values %.3f s (%zu rows), "
                    "fileguard %.3f s, quick report %.3f s (%zu lines); longest without events "
                    "%.0f / %.0f / %.0f / %.0f / %.0f ms\n",
                    round + 1, tasks, inspection.processManager.listView1.Count(), values,
                    inspection.startupManager.listView2.Count(), fileguard.back(), report.back(),
                    inspection.quickReport.Memo2().size(), gaps[0], gaps[1], gaps[2], gaps[3],
                    gaps[4]);
    }

    for (pid_t pid : pids) kill(pid, SIGKILL);
    for (pid_t pid : pids) waitpid(pid, nullptr, 0);
    std::error_code ec;
    fs::remove_all(root, ec);

    std::printf("collect start-up files %.3f s, fileguard refresh %.3f s, quick report %.3f s\n",
                Median(collect), Median(fileguard), Median(report));
    std::printf("longest stretch without serving events during the refreshes: %.1f ms\n", worstGap);
    std::printf("refresh %.3f s\n", Median(refresh));
    return 0;
}

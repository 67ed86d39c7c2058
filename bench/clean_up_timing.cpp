// Times the clean-up of junk: a junk scan of a temporary folder, then "Clean-up" of every row.
//
// The temporary folder is a fresh copy of part of the benchmark tree of scan_vs_du (built there
// when missing) plus a flat folder's worth of small junk files, so the tree itself is never
// touched. Two cases: `rows` junk files directly in the temporary folder (one row each), and
// `top` copied top folders of the tree (one folder row each, their files deleted through the
// folder-tree delete). Prints the scan and clean-up times of each case.
//
// Usage: clean_up_timing [rows] [top]   (defaults 20000 and 1; SCOURWELL_BENCH_TREE overrides
// the tree's folder)

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/program_context.h"
#include "foundation/ui_port.h"
#include "bench/bench_machine.h"
#include "platform/machine.h"
#include "quarantine/clean_up.h"
#include "quarantine/quarantine_store.h"
#include "scan/folder_scan.h"
#include "scan/scan_page.h"

namespace {

using Clock = std::chrono::steady_clock;

class NoUi : public scourwell::foundation::UiPort {
  public:
    void PumpEvents() override {}
    bool AskYesNo(std::string_view, std::string_view) override { return true; }
    void Tell(std::string_view, std::string_view, scourwell::foundation::MessageIcon) override {}
    void OpenDocument(std::string_view) override {}
    void Post(std::function<void()> call) override { call(); }
    std::chrono::system_clock::time_point Now() override {
        return std::chrono::system_clock::now();
    }
};

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
    const int tops = argc > 2 ? std::atoi(argv[2]) : 1;
    const char* override = std::getenv("SCOURWELL_BENCH_TREE");
    const std::string tree = override && *override ? override : "/tmp/scourwell-bench-tree";
    struct stat info {};
    if (stat((tree + "/.complete").c_str(), &info) != 0) {
        std::fprintf(stderr, "no benchmark tree at %s: run scan_vs_du once first\n", tree.c_str());
        return 1;
    }

    char pattern[] = "/tmp/scourwell-clean-up-XXXXXX";
    const std::string root = mkdtemp(pattern);
    const std::string temp = root + "/Temp";
    Run("mkdir -p '" + temp + "' '" + root + "/Data'");
    for (int i = 0; i < rows; ++i) {
        const std::string file = temp + "/junk" + std::to_string(i) + ".tmp";
        const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            if (write(fd, "junk", 4) < 0) std::perror("write");
            close(fd);
        }
    }
    for (int t = 0; t < tops; ++t)
        Run("cp -a '" + tree + "/top" + std::to_string(t) + "' '" + temp + "/'");

    scourwell::platform::MachineConfig config = BenchMachine(root);
    config.specialFolders[26] = "C:\\Data";
    scourwell::platform::UseMachine(config);

    NoUi ui;
    scourwell::foundation::ProgramContext context(ui);
    scourwell::scan::ScanPage page(context);
    scourwell::quarantine::QuarantineStore store(context);

    auto start = Clock::now();
    scourwell::scan::ScanFolder(page, "C:\\Temp", true, false, true, false);
    const double scan = Seconds(start);
    const size_t listed = page.list1.Count();

    start = Clock::now();
    scourwell::quarantine::clean(page, store);
    const double clean = Seconds(start);

    size_t ok = 0;
    for (size_t i = 0; i < page.list1.Count(); ++i)
        if (page.list1.Item(i).SubItem(scourwell::scan::kColStatus) == "Ok") ++ok;
    std::printf("rows: %zu (%d files, %d copied top folders), %zu cleaned\n", listed, rows, tops, ok);
    std::printf("junk scan: %.1f ms\n", scan * 1000);
    std::printf("clean-up: %.1f ms\n", clean * 1000);
    Run("rm -rf '" + root + "'");
    return 0;
}

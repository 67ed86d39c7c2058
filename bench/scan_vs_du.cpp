// Times the folder scan against `du -sb` on the same tree.
//
// Builds (or reuses) a tree of 200 000 files in about 20 000 folders under
// /tmp/scourwell-bench-tree, installs a machine view whose drive C: is that tree, and times
// ScanFolder over it beside `du -sb`, alternating the two several times on a warm cache. Prints
// the medians and, as its last line, "ratio R" (ScanFolder time / du time).
//
// Usage: scan_vs_du [rounds]   (SCOURWELL_BENCH_TREE overrides the tree's folder)

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/program_context.h"
#include "foundation/ui_port.h"
#include "bench/bench_machine.h"
#include "platform/machine.h"
#include "scan/folder_scan.h"
#include "scan/scan_page.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTopFolders = 20;
constexpr int kMiddleFolders = 10;
constexpr int kLeafFolders = 100;  // 20 * 10 * 100 = 20 000 leaf folders
constexpr int kFilesPerLeaf = 10;  // 200 000 files

class NoUi : public scourwell::foundation::UiPort {
  public:
    void PumpEvents() override { ++pumps; }
    bool AskYesNo(std::string_view, std::string_view) override { return true; }
    void Tell(std::string_view, std::string_view, scourwell::foundation::MessageIcon) override {}
    void OpenDocument(std::string_view) override {}
    void Post(std::function<void()> call) override { call(); }
    std::chrono::system_clock::time_point Now() override {
        return std::chrono::system_clock::now();
    }
    long pumps = 0;
};

void MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void BuildTree(const std::string& root) {
    const std::string marker = root + "/.complete";
    struct stat info {};
    if (stat(marker.c_str(), &info) == 0) return;
    std::printf("building the tree under %s ...\n", root.c_str());
    std::fflush(stdout);
    MakeFolder(root);
    std::string buffer(200, 'x');
    for (int t = 0; t < kTopFolders; ++t) {
        const std::string top = root + "/top" + std::to_string(t);
        MakeFolder(top);
        for (int m = 0; m < kMiddleFolders; ++m) {
            const std::string middle = top + "/mid" + std::to_string(m);
            MakeFolder(middle);
            for (int l = 0; l < kLeafFolders; ++l) {
                const std::string leaf = middle + "/leaf" + std::to_string(l);
                MakeFolder(leaf);
                for (int f = 0; f < kFilesPerLeaf; ++f) {
                    const std::string file = leaf + "/file" + std::to_string(f) + ".dat";
                    const int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                    if (fd < 0) {
                        std::perror(file.c_str());
                        std::exit(1);
                    }
                    const size_t size = static_cast<size_t>((t * 7 + m * 13 + l * 3 + f) % 200);
                    if (size > 0 && write(fd, buffer.data(), size) < 0) std::perror("write");
                    close(fd);
                }
            }
        }
    }
    const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) close(fd);
}

double TimeDu(const std::string& root) {
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 1);
        execlp("du", "du", "-sb", root.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "du failed\n");
        std::exit(1);
    }
    return seconds;
}

double TimeScan(scourwell::scan::ScanPage& page, int64_t& total) {
    const auto start = Clock::now();
    total = scourwell::scan::ScanFolder(page, "C:\\", false, false, false, false);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A reference walk with the fewest calls a sizing walk can make: readdir and one fstatat per
// entry, openat per folder. It shows what the machine allows under the current load.
int64_t PlainSum(int dirFd) {
    DIR* dir = fdopendir(dirFd);
    if (dir == nullptr) {
        close(dirFd);
        return 0;
    }
    int64_t total = 0;
    while (const dirent* item = readdir(dir)) {
        const char* name = item->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        struct stat info {};
        if (fstatat(dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            const int sub =
                openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) total += PlainSum(sub);
        } else {
            total += info.st_size;
        }
    }
    closedir(dir);
    return total;
}

double TimePlain(const std::string& root) {
    const auto start = Clock::now();
    const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) PlainSum(fd);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const char* override = std::getenv("SCOURWELL_BENCH_TREE");
    const std::string root = override && *override ? override : "/tmp/scourwell-bench-tree";
    BuildTree(root);

    scourwell::platform::UseMachine(BenchMachine(root));

    NoUi ui;
    scourwell::foundation::ProgramContext context(ui);
    scourwell::scan::ScanPage page(context);

    // Warm the cache for both.
    int64_t total = 0;
    TimeDu(root);
    TimeScan(page, total);

    std::vector<double> scans;
    std::vector<double> dus;
    std::vector<double> plains;
    for (int i = 0; i < rounds; ++i) {
        dus.push_back(TimeDu(root));
        scans.push_back(TimeScan(page, total));
        plains.push_back(TimePlain(root));
    }
    const double scan = Median(scans);
    const double du = Median(dus);
    const double plain = Median(plains);
    std::printf("tree: %s, %d files in %d folders\n", root.c_str(),
                kTopFolders * kMiddleFolders * kLeafFolders * kFilesPerLeaf,
                kTopFolders * (1 + kMiddleFolders * (1 + kLeafFolders)));
    std::printf("ScanFolder total: %lld bytes, %zu rows, %ld event pumps per run\n",
                static_cast<long long>(total), page.results.Count(), ui.pumps / (rounds + 1));
    std::printf("ScanFolder median: %.1f ms over %d rounds\n", scan * 1000, rounds);
    std::printf("du -sb median:     %.1f ms over %d rounds\n", du * 1000, rounds);
    std::printf("reference readdir + fstatat walk median: %.1f ms (ratio %.3f to du)\n",
                plain * 1000, plain / du);
    std::printf("ratio %.3f\n", scan / du);
    return 0;
}

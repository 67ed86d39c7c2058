#include "tests/support/deep_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace scourwell::testing {
namespace {

void Check(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error("deep chain: " + what);
}

void WriteAt(int dir, const char* name, const char* bytes) {
    const int fd = openat(dir, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Check(fd >= 0, name);
    const ssize_t size = static_cast<ssize_t>(std::char_traits<char>::length(bytes));
    Check(write(fd, bytes, size) == size, name);
    close(fd);
}

// Removes every entry of an opened folder except `keep` (files only are expected there).
void RemoveFilesAt(int dir, const std::string& keep) {
    DIR* listing = fdopendir(dup(dir));
    Check(listing != nullptr, "fdopendir");
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == keep) continue;
        if (unlinkat(dir, name.c_str(), 0) != 0) unlinkat(dir, name.c_str(), AT_REMOVEDIR);
    }
    closedir(listing);
}

}  // namespace

void MakeDeepChain(const std::string& top, size_t depth, bool filePerLevel, const std::string& name) {
    int dir = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Check(dir >= 0, top);
    for (size_t level = 0; level < depth; ++level) {
        Check(mkdirat(dir, name.c_str(), 0755) == 0 || errno == EEXIST, "mkdirat");
        const int next = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(dir);
        Check(next >= 0, "openat");
        dir = next;
        if (filePerLevel) WriteAt(dir, "f", "x");
    }
    WriteAt(dir, "bottom.txt", "xy");
    close(dir);
}

void RemoveDeepChain(const std::string& top, const std::string& name) {
    // Lifts the second level up beside the first, empties and removes the first, and renames
    // the lifted one into its place: one level at a time, with short paths only.
    const int dir = open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    const std::string lifted = name + ".lifted";
    for (;;) {
        const int first = openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (first < 0) break;
        const bool deeper = renameat(first, name.c_str(), dir, lifted.c_str()) == 0;
        RemoveFilesAt(first, "");
        close(first);
        unlinkat(dir, name.c_str(), AT_REMOVEDIR);
        if (!deeper || renameat(dir, lifted.c_str(), dir, name.c_str()) != 0) break;
    }
    close(dir);
}

void RunWithStack(size_t stackBytes, const std::function<void()>& call) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    auto body = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    Check(pthread_create(&thread, &attributes, body, const_cast<std::function<void()>*>(&call)) == 0,
          "pthread_create");
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

int OpenDescriptorCount() {
    int count = 0;
    DIR* listing = opendir("/proc/self/fd");
    if (listing == nullptr) return -1;
    while (const dirent* entry = readdir(listing))
        if (entry->d_name[0] != '.') ++count;
    closedir(listing);
    return count - 1;  // the listing's own
}

}  // namespace scourwell::testing

#include "tests/support/file_holder.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace scourwell::testing {

FileHolder::FileHolder(const std::string& openHostFile, const std::string& workingHostFolder) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 3, openHostFile.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, workingHostFolder.c_str());
    char program[] = "sleep";
    char seconds[] = "120";
    char* argv[] = {program, seconds, nullptr};
    if (posix_spawnp(&pid_, "sleep", &actions, nullptr, argv, environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

void FileHolder::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

}  // namespace scourwell::testing

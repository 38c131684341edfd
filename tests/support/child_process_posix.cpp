// Child test processes on POSIX: posix_spawn of /proc/self/exe, SIGKILL.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/child_process.h"

extern char** environ;

namespace relvo::test {

int RunThisTest(const std::string& filter, const std::vector<std::pair<std::string, std::string>>& env) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  self[n] = '\0';
  std::string filterArg = "--gtest_filter=" + filter;
  char* argv[] = {self, filterArg.data(), nullptr};
  std::vector<std::string> vars;
  for (char** e = environ; *e; ++e) vars.push_back(*e);
  for (const auto& [name, value] : env) vars.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFSIGNALED(status)) return WTERMSIG(status) == SIGKILL ? kKilled : -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void KillThisProcess() {
  ::kill(::getpid(), SIGKILL);
  std::abort();  // not reached
}

}  // namespace relvo::test

#pragma once
// Runs a piece of a test in a forked child under limits the test process must
// not take on itself: a largest file size (a full disk, as the program meets
// it) or another user (a folder that root could write anyway).

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <optional>

namespace tally::testing {

struct ChildLimits {
  // RLIMIT_FSIZE: a write past it raises SIGXFSZ, which the programs
  // ignore so that the write fails with EFBIG (RunInChild ignores it as
  // their main does for the code under test).
  std::optional<rlim_t> fileSize;
  // Runs as this user and group (the test runs as root); none to stay.
  std::optional<uid_t> user;
};

// The user with no rights of its own.
inline constexpr uid_t kNobody = 65534;

// Takes the limits on in the calling process, which must be a child made for
// them; 0 when done, 125 when they could not be set. Kept across an exec;
// SIGXFSZ keeps its default, so that a program run under them must ignore
// it itself.
inline int RunLimitsInPlace(const ChildLimits& limits) {
  signal(SIGXFSZ, SIG_DFL);
  if (limits.fileSize) {
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = *limits.fileSize;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 125;
  }
  if (limits.user) {
    if (setgroups(0, nullptr) != 0 || setgid(*limits.user) != 0 || setuid(*limits.user) != 0) {
      return 125;
    }
  }
  return 0;
}

// Runs `body` in a forked child and returns its exit status; -1 when the
// limits could not be set or the child did not exit normally.
inline int RunInChild(const ChildLimits& limits, const std::function<int()>& body) {
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int status = RunLimitsInPlace(limits);
    // As the programs' main does.
    signal(SIGXFSZ, SIG_IGN);
    _exit(status != 0 ? status : body());
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 125 ? -1 : WEXITSTATUS(status);
}

}  // namespace tally::testing

#pragma once
// The batch driver run as a child process, as a shell would run it: its
// arguments, a standard input fed from a text, optional limits, and what it
// writes on its standard output and error read back as it comes. The test
// may read a number of lines and kill it there.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"

#ifndef TALLYROLLER_BATCH_PATH
#error "the test target names the driver it runs in TALLYROLLER_BATCH_PATH"
#endif

namespace tally::testing {

class DriverProcess {
 public:
  struct Outcome {
    bool exited = false;  // false: killed by a signal, or never started
    int status = -1;
    bool hung = false;  // still running at the time limit, and killed then
    std::string out;
    std::string err;
  };

  DriverProcess(const std::vector<std::string>& args, std::string input,
                const ChildLimits& limits = {})
      : input_(std::move(input)) {
    // A driver that dies while its input is fed must not take the test along.
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> argv{TALLYROLLER_BATCH_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (auto& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);

    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      if (dup2(in[0], 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0) _exit(126);
      const int status = RunLimitsInPlace(limits);
      if (status != 0) _exit(status);
      execv(raw[0], raw.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
    if (pid_ < 0) {
      close(in[1]);
      return;
    }
    feeder_ = std::thread([this, fd = in[1]] {
      std::size_t done = 0;
      while (done < input_.size()) {
        const ssize_t n = write(fd, input_.data() + done, input_.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
      }
      close(fd);
    });
  }

  ~DriverProcess() {
    Kill();
    Wait();
  }

  DriverProcess(const DriverProcess&) = delete;
  DriverProcess& operator=(const DriverProcess&) = delete;

  // Reads until the standard output holds `lines` whole lines; false when
  // the driver closed it first or the time ran out.
  bool ReadLines(std::size_t lines, std::chrono::seconds limit = std::chrono::seconds(60)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (static_cast<std::size_t>(std::count(out_.begin(), out_.end(), '\n')) < lines) {
      if (std::chrono::steady_clock::now() > deadline || !Pump(100)) return false;
    }
    return true;
  }

  // What the standard output has brought so far.
  const std::string& Out() const { return out_; }

  void Kill() {
    if (pid_ > 0 && !waited_) kill(pid_, SIGKILL);
  }

  // Reads both outputs to their end and waits for the driver; one still
  // running at the time limit is killed and marked as hung.
  const Outcome& Wait(std::chrono::seconds limit = std::chrono::seconds(60)) {
    if (waited_) return outcome_;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (Pump(100)) {
      if (std::chrono::steady_clock::now() > deadline) {
        outcome_.hung = true;
        Kill();
      }
    }
    if (pid_ > 0) {
      int status = 0;
      if (waitpid(pid_, &status, 0) == pid_ && WIFEXITED(status)) {
        outcome_.exited = true;
        outcome_.status = WEXITSTATUS(status);
      }
    }
    if (feeder_.joinable()) feeder_.join();
    for (int* fd : {&outFd_, &errFd_}) {
      if (*fd >= 0) close(*fd);
      *fd = -1;
    }
    outcome_.out = out_;
    outcome_.err = err_;
    waited_ = true;
    return outcome_;
  }

 private:
  // One round of reading whatever either output has; false once both ended.
  bool Pump(int timeoutMs) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    std::string* into[2] = {&out_, &err_};
    int* owners[2] = {&outFd_, &errFd_};
    if (outFd_ < 0 && errFd_ < 0) return false;
    if (poll(fds, 2, timeoutMs) < 0) return false;
    for (int k = 0; k < 2; ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      char buf[65536];
      const ssize_t n = read(fds[k].fd, buf, sizeof buf);
      if (n > 0) {
        into[k]->append(buf, static_cast<std::size_t>(n));
      } else {
        close(*owners[k]);
        *owners[k] = -1;
      }
    }
    return outFd_ >= 0 || errFd_ >= 0;
  }

  std::string input_;
  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  std::thread feeder_;
  std::string out_;
  std::string err_;
  bool waited_ = false;
  Outcome outcome_;
};

}  // namespace tally::testing

#include "bench/DownloadBenchProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> ArgPointers(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, std::chrono::seconds timeout) {
  ChildResult result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args = ArgPointers(argv);

  rusage before{};
  ::getrusage(RUSAGE_CHILDREN, &before);
  const Clock::time_point start = Clock::now();
  pid_t pid = -1;
  const int spawned = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    result.error = argv[0] + ": " + std::strerror(spawned);
    return result;
  }
  result.started = true;

  // The watchdog may only kill a child that has not been reaped yet, or the pid could already
  // belong to someone else: so wait for the end without reaping, stop the watchdog, then reap.
  std::mutex mutex;
  std::condition_variable cv;
  bool ended = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (!cv.wait_for(lock, timeout, [&] { return ended; })) {
      ::kill(pid, SIGKILL);
      result.timedOut = true;
    }
  });
  siginfo_t info{};
  while (::waitid(P_PID, pid, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  const Clock::time_point end = Clock::now();
  {
    std::lock_guard lock(mutex);
    ended = true;
  }
  cv.notify_one();
  watchdog.join();

  int status = 0;
  rusage own{};
  while (::wait4(pid, &status, 0, &own) < 0 && errno == EINTR) {
  }
  rusage after{};
  ::getrusage(RUSAGE_CHILDREN, &after);

  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.wallSeconds = std::chrono::duration<double>(end - start).count();
  result.userSeconds = Seconds(after.ru_utime) - Seconds(before.ru_utime);
  result.systemSeconds = Seconds(after.ru_stime) - Seconds(before.ru_stime);
  result.peakMib = static_cast<double>(own.ru_maxrss) / 1024.0;  // Linux counts it in KiB
  if (result.timedOut) {
    result.error = argv[0] + ": still running after " + std::to_string(timeout.count()) + " s";
  } else if (result.exitCode != 0) {
    result.error =
        argv[0] + (result.exitCode < 0 ? ": killed by a signal"
                                       : ": exit status " + std::to_string(result.exitCode));
  }
  return result;
}

ServerProcess::ServerProcess(const std::string& program, int sizeMib) {
  int in[2] = {-1, -1};
  int out[2] = {-1, -1};
  if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
    error_ = std::string("pipe: ") + std::strerror(errno);
    CloseFd(in[0]);
    CloseFd(in[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const std::vector<std::string> argv = {program, "--size-mib", std::to_string(sizeMib)};
  std::vector<char*> args = ArgPointers(argv);
  const int spawned = ::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  CloseFd(in[0]);
  CloseFd(out[1]);
  stdinFd_ = in[1];
  if (spawned != 0) {
    pid_ = -1;
    error_ = program + ": " + std::strerror(spawned);
    CloseFd(out[0]);
    return;
  }

  // Building the content takes about a second per GiB; allow plenty.
  std::string line;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(120);
  while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd p{out[0], POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) continue;
    char buffer[64];
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    line.append(buffer, static_cast<std::size_t>(n));
  }
  CloseFd(out[0]);
  port_ = std::atoi(line.c_str());
  if (port_ <= 0) {
    port_ = 0;
    error_ = program + ": printed no port";
  }
}

ServerProcess::~ServerProcess() {
  CloseFd(stdinFd_);
  if (pid_ < 0) return;
  for (int i = 0; i < 1000; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

}  // namespace bench

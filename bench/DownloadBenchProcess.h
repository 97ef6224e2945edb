#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// Child processes of the download benchmark: the file server and the programs it is compared with.
namespace bench {

// How a child ended.
struct ChildResult {
  bool started = false;   // false: the program could not be run (message in `error`)
  bool timedOut = false;  // killed after the time allowed
  int exitCode = -1;      // -1 when it ended by a signal
  double wallSeconds = 0;
  double userSeconds = 0;  // CPU time of the child, from RUSAGE_CHILDREN before and after
  double systemSeconds = 0;
  double peakMib = 0;  // the child's own peak resident memory
  std::string error;
};

// Runs `argv` (argv[0] looked up in PATH) with standard input and output on /dev/null and
// standard error shared, and waits for it; a child still running after `timeout` is killed.
// Nothing else may reap children while this runs, or the CPU times would include them.
ChildResult RunChild(const std::vector<std::string>& argv, std::chrono::seconds timeout);

// The benchmark's file server, running in its own process for the life of this object.
class ServerProcess {
 public:
  // Starts `program --size-mib sizeMib` and reads the port it prints; Port() is 0 when that
  // fails, with the reason in Error().
  ServerProcess(const std::string& program, int sizeMib);
  // Closes the server's standard input, which ends it, and reaps it.
  ~ServerProcess();

  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int Port() const { return port_; }
  const std::string& Error() const { return error_; }

 private:
  pid_t pid_ = -1;
  int stdinFd_ = -1;
  int port_ = 0;
  std::string error_;
};

// A rusage time in seconds.
inline double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

}  // namespace bench

// How fast our download engine fetches a large file over the loopback, next to curl and aria2c
// on the same server in the same run. Reports wall time, throughput, CPU time per GiB and memory,
// and checks every downloaded file byte for byte.
//
//   DownloadBench [--size-mib N] [--runs N] [--dir PATH] [--server PATH]
//
// The server is bench/DownloadBenchServer in a process of its own, so its CPU time is never the
// client's. The engine runs in this process and is measured with RUSAGE_SELF; curl and aria2c
// are measured with RUSAGE_CHILDREN around their end. Each row shows the median of the runs.
#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/DownloadBenchContent.h"
#include "bench/DownloadBenchEngine.h"
#include "bench/DownloadBenchProcess.h"

namespace {

namespace fs = std::filesystem;

struct Options {
  int sizeMib = 512;
  int runs = 5;
  std::string dir;
  std::string server;
};

// One download by one contender.
struct Sample {
  bool ok = false;
  std::string error;
  double wallSeconds = 0;
  double cpuSeconds = 0;     // user + system
  double systemSeconds = 0;  // of which system
  double memoryMib = 0;
};

struct Contender {
  std::string name;
  int connections;
  // Downloads the file into the given new directory as bench::kContentName.
  std::function<Sample(const std::string& url, const std::string& dir)> run;
  std::vector<Sample> samples;
};

int Usage() {
  std::fprintf(stderr,
               "usage: DownloadBench [--size-mib N] [--runs N] [--dir PATH] [--server PATH]\n"
               "  --size-mib N   size of the served file, 1 to 2047 (default 512)\n"
               "  --runs N       downloads per contender; each row is their median (default 5)\n"
               "  --dir PATH     where the downloads go (default $TMPDIR or /tmp)\n"
               "  --server PATH  the file server program (default: next to this program)\n");
  return 2;
}

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (arg == "--size-mib" || arg == "--runs") {
      char* end = nullptr;
      const long n = std::strtol(value, &end, 10);
      const long most = arg == "--runs" ? 99 : 2047;
      if (*end != '\0' || n < 1 || n > most) return false;
      (arg == "--runs" ? options.runs : options.sizeMib) = static_cast<int>(n);
    } else if (arg == "--dir") {
      options.dir = value;
    } else if (arg == "--server") {
      options.server = value;
    } else {
      return false;
    }
  }
  if (options.dir.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    options.dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  }
  if (options.server.empty()) {
    std::error_code ec;
    options.server =
        (fs::read_symlink("/proc/self/exe", ec).parent_path() / "DownloadBenchServer").string();
  }
  return true;
}

// Empty when `path` holds exactly the first `size` bytes of the content and nothing more,
// otherwise what is wrong with it.
std::string CheckFile(const std::string& path, std::uint64_t size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return path + ": " + std::strerror(errno);
  struct stat st {};
  ::fstat(fd, &st);
  std::string problem;
  if (static_cast<std::uint64_t>(st.st_size) != size) {
    problem =
        "the file has " + std::to_string(st.st_size) + " bytes instead of " + std::to_string(size);
  }
  std::vector<char> got(1 << 20), want(1 << 20);
  for (std::uint64_t offset = 0; problem.empty() && offset < size;) {
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(got.size(), size - offset));
    if (::pread(fd, got.data(), n, static_cast<off_t>(offset)) != static_cast<ssize_t>(n)) {
      problem = "the file cannot be read at byte " + std::to_string(offset);
      break;
    }
    bench::FillContent(offset, want.data(), n);
    if (std::memcmp(got.data(), want.data(), n) != 0) {
      std::size_t i = 0;
      while (got[i] == want[i]) ++i;
      problem = "the file differs from the served one from byte " + std::to_string(offset + i);
    }
    offset += n;
  }
  ::close(fd);
  return problem;
}

Sample FromChild(const bench::ChildResult& child) {
  Sample s;
  s.ok = child.started && !child.timedOut && child.exitCode == 0;
  s.error = child.error;
  if (!child.started) s.error += " (scripts/setup installs it)";
  s.wallSeconds = child.wallSeconds;
  s.cpuSeconds = child.userSeconds + child.systemSeconds;
  s.systemSeconds = child.systemSeconds;
  s.memoryMib = child.peakMib;
  return s;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The table's rows; false when any download failed.
bool PrintTable(const std::vector<Contender>& contenders, const Options& options) {
  const double gib = options.sizeMib / 1024.0;
  std::printf(
      "\nDownload of a %d MiB file from a loopback server in its own process, "
      "median of %d run%s, %ld CPUs\n\n",
      options.sizeMib, options.runs, options.runs == 1 ? "" : "s", ::sysconf(_SC_NPROCESSORS_ONLN));
  std::printf("%-8s %5s %8s %8s %11s %9s %11s\n", "program", "conns", "wall s", "MiB/s",
              "CPU s/GiB", "sys s/GiB", "memory MiB");
  bool allOk = true;
  for (const Contender& c : contenders) {
    std::vector<double> wall, cpu, sys;
    double memory = 0;
    std::string error;
    for (const Sample& s : c.samples) {
      if (!s.ok) {
        if (error.empty()) error = s.error;
        continue;
      }
      wall.push_back(s.wallSeconds);
      cpu.push_back(s.cpuSeconds / gib);
      sys.push_back(s.systemSeconds / gib);
      memory = std::max(memory, s.memoryMib);
    }
    if (!error.empty() || wall.empty()) {
      allOk = false;
      std::printf("%-8s %5d   FAILED: %s\n", c.name.c_str(), c.connections, error.c_str());
      continue;
    }
    const double w = Median(wall);
    // The engine's memory is a growth, and shows its sign.
    const char* format = c.name == "engine" ? "%-8s %5d %8.3f %8.1f %11.3f %9.3f %+11.1f\n"
                                            : "%-8s %5d %8.3f %8.1f %11.3f %9.3f %11.1f\n";
    std::printf(format, c.name.c_str(), c.connections, w, options.sizeMib / w, Median(cpu),
                Median(sys), memory);
  }
  std::printf(
      "\nmemory: for the engine the growth of this process's peak resident memory during\n"
      "the download, the largest of the runs; for curl and aria2c the whole process's peak.\n");
  return allOk;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) return Usage();
  const std::uint64_t size = static_cast<std::uint64_t>(options.sizeMib) << 20;
  const std::chrono::seconds timeout(60 + options.sizeMib / 2);

  // Everything here talks to 127.0.0.1 directly, whatever the shell's proxy settings say.
  for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy",
                           "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
    ::unsetenv(name);
  }
  // libcurl's one-off start-up is not part of any download, nor of the engine's memory.
  curl_global_init(CURL_GLOBAL_DEFAULT);

  std::printf("starting the file server (%d MiB)...\n", options.sizeMib);
  std::fflush(stdout);
  bench::ServerProcess server(options.server, options.sizeMib);
  if (server.Port() == 0) {
    std::fprintf(stderr, "DownloadBench: %s\n", server.Error().c_str());
    return 1;
  }
  const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + bench::kContentPath;

  auto engine = [&](int threads) {
    return [&, threads](const std::string& u, const std::string& dir) {
      bench::EngineResult r = bench::RunEngine(u, dir + "/", threads, timeout);
      Sample s;
      s.ok = r.complete;
      s.error = r.error;
      s.wallSeconds = r.wallSeconds;
      s.cpuSeconds = r.userSeconds + r.systemSeconds;
      s.systemSeconds = r.systemSeconds;
      s.memoryMib = r.memoryGrowthMib;
      if (!r.memoryExact) std::printf("  (peak memory could not be reset: a lower bound)\n");
      if (r.connectionErrors > 0) {
        std::printf("  engine x%d: %d connection errors on the way\n", threads, r.connectionErrors);
      }
      return s;
    };
  };
  // curl and aria2c read no configuration files ("-q", "--no-conf") and print nothing but errors.
  // aria2c's smallest piece is 1 MiB rather than 20 MiB so that a small file too is cut into ten
  // parts, as ours is; from 200 MiB up this changes nothing.
  std::vector<Contender> contenders = {
      {"engine", 1, engine(1), {}},
      {"engine", 10, engine(10), {}},
      {"curl",
       1,
       [&](const std::string& u, const std::string& dir) {
         return FromChild(bench::RunChild(
             {"curl", "-q", "-sS", "--fail", "-o", dir + "/" + bench::kContentName, u}, timeout));
       },
       {}},
      {"aria2c",
       10,
       [&](const std::string& u, const std::string& dir) {
         return FromChild(bench::RunChild(
             {"aria2c", "--no-conf=true", "--quiet=true", "-x10", "-s10", "--min-split-size=1M",
              "--file-allocation=none", "--allow-overwrite=true", "--auto-file-renaming=false",
              "--dir=" + dir, "--out=" + std::string(bench::kContentName), u},
             timeout));
       },
       {}},
  };

  bool checked = true;
  for (int run = 1; run <= options.runs; ++run) {
    for (Contender& c : contenders) {
      std::string dir = (fs::path(options.dir) / "moshu-download-bench-XXXXXX").string();
      if (::mkdtemp(dir.data()) == nullptr) {
        std::fprintf(stderr, "DownloadBench: cannot make a directory in %s: %s\n",
                     options.dir.c_str(), std::strerror(errno));
        return 1;
      }
      std::printf("run %d/%d: %s x%d... ", run, options.runs, c.name.c_str(), c.connections);
      std::fflush(stdout);
      Sample s = c.run(url, dir);
      if (s.ok) {
        s.error = CheckFile(dir + "/" + bench::kContentName, size);
        s.ok = s.error.empty();
        if (!s.ok) checked = false;
      }
      if (s.ok) {
        std::printf("%.3f s\n", s.wallSeconds);
      } else {
        std::printf("FAILED\n");
        std::fprintf(stderr, "DownloadBench: %s x%d: %s\n", c.name.c_str(), c.connections,
                     s.error.c_str());
      }
      std::error_code ec;
      fs::remove_all(dir, ec);
      c.samples.push_back(std::move(s));
    }
  }

  const bool allOk = PrintTable(contenders, options);
  if (!checked) {
    std::fprintf(stderr, "\nDownloadBench: A DOWNLOADED FILE DIFFERS FROM THE SERVED ONE\n");
  }
  curl_global_cleanup();
  return allOk ? 0 : 1;
}

// moshu-demo-site [--port N] [--log FILE] [--rate BYTES] | --dump PATH
//
// Serves the demo site on 127.0.0.1 until SIGINT or SIGTERM. With --log, each request's method
// and target go to FILE as one line, written at once, so a script can see what was asked for.
// With --rate, each connection of a file download gets about BYTES a second. --dump writes what
// the site serves at PATH to standard output and serves nothing, so a script can compare a
// downloaded file with it.

#include <pthread.h>
#include <signal.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>

#include "tools/demosite/Site.h"
#include "tools/loopback/HttpServer.h"

#ifndef MOSHU_DEMO_PORT
#define MOSHU_DEMO_PORT 18631
#endif

namespace {

int Usage() {
  std::cerr << "usage: moshu-demo-site [--port N] [--log FILE] [--rate BYTES]\n"
               "       moshu-demo-site --dump PATH\n"
               "  --port N      port on 127.0.0.1 (default "
            << MOSHU_DEMO_PORT
            << ")\n"
               "  --log FILE    append each request's method and target to FILE\n"
               "  --rate BYTES  send each connection of a file download about BYTES a second\n"
               "  --dump PATH   write what the site serves at PATH (e.g. /txt/220101.txt) to\n"
               "                standard output, then exit\n";
  return 2;
}

int Dump(const std::string& path) {
  demosite::Site site;
  const std::optional<std::string> body = site.Page(path);
  if (!body) {
    std::cerr << "moshu-demo-site: the site has nothing at " << path << "\n";
    return 1;
  }
  std::cout.write(body->data(), static_cast<std::streamsize>(body->size()));
  return std::cout.flush() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--dump") return Dump(argv[2]);
  int port = MOSHU_DEMO_PORT;
  long rate = 0;
  std::string logPath;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--port" || arg == "--log" || arg == "--rate") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--log") {
        logPath = value;
        continue;
      }
      char* end = nullptr;
      const long n = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || n < 1) return Usage();
      if (arg == "--rate") {
        rate = n;
      } else if (n <= 65535) {
        port = static_cast<int>(n);
      } else {
        return Usage();
      }
    } else {
      return Usage();
    }
  }

  std::ofstream log;
  if (!logPath.empty()) {
    log.open(logPath, std::ios::app);
    if (!log) {
      std::cerr << "moshu-demo-site: cannot open log file " << logPath << "\n";
      return 1;
    }
  }

  // The server's threads inherit this mask, so the signals reach only the sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  demosite::Site site;
  site.SetFileRate(static_cast<std::size_t>(rate));
  std::mutex logMutex;
  loopback::HttpServer server(
      [&](const loopback::Request& request, loopback::Connection& connection) {
        if (log.is_open()) {
          std::lock_guard lock(logMutex);
          log << request.method << ' ' << request.target << std::endl;
        }
        site.Handle(request, connection);
      },
      port);
  if (server.Port() == 0) {
    std::cerr << "moshu-demo-site: cannot listen on 127.0.0.1:" << port << ": "
              << "the port is in use or not allowed\n";
    return 1;
  }
  std::cout << "demo site: " << server.BaseUrl() << std::endl;

  int signal = 0;
  sigwait(&stopSignals, &signal);
  return 0;
}

// The file server of the download benchmark, run as a process of its own so that its CPU time
// is never counted as the client's.
//
//   DownloadBenchServer [--size-mib N]
//
// Builds the content (bench/DownloadBenchContent.h, 512 MiB unless told) in memory, serves it at
// http://127.0.0.1:PORT/book.bin with Range support, prints PORT and a newline on standard
// output, and exits when its standard input closes or on SIGTERM.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "bench/DownloadBenchContent.h"
#include "tools/loopback/Response.h"
#include "tools/loopback/ServeFile.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: DownloadBenchServer [--size-mib N]   (N from 1 to 2047)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  long sizeMib = 512;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--size-mib" && i + 1 < argc) {
      char* end = nullptr;
      sizeMib = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || sizeMib < 1 || sizeMib > 2047) return Usage();
    } else {
      return Usage();
    }
  }

  const std::string data = bench::MakeContent(static_cast<std::size_t>(sizeMib) << 20);
  loopback::FileOptions options;
  // Large writes keep the server's side of the socket from being what limits the client.
  options.chunk = 1 << 20;
  loopback::HttpServer server([&](const loopback::Request& request, loopback::Connection& c) {
    if (request.Path() == bench::kContentPath) {
      loopback::ServeFile(request, c, data, options);
    } else {
      loopback::Response notFound;
      notFound.status = 404;
      loopback::Respond(c, notFound);
    }
  });
  if (server.Port() == 0) {
    std::fprintf(stderr, "DownloadBenchServer: cannot listen on 127.0.0.1\n");
    return 1;
  }
  std::printf("%d\n", server.Port());
  std::fflush(stdout);

  // Whoever started us holds our standard input; its end is our end.
  char buffer[256];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EINTR)) break;
  }
  return 0;
}

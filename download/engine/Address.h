#pragma once

#include <optional>

#include "text/Text.h"

namespace download {

enum class Protocol { kHttp, kFtp, kMms, kRtsp };

// A task's address cut into its pieces.
struct Address {
  Protocol protocol = Protocol::kHttp;
  text::Text scheme;  // lower case, without "://"
  text::Text host;
  int port = 0;
  text::Text path;      // from the first "/" after the host to the end, query included
  text::Text user;      // FTP only; empty when the address names none
  text::Text password;  // FTP only
};

// Reads "scheme://[user:password@]host[:port]/path" for the schemes http (80), ftp (21), mms
// and mmst (1755) and rtsp (554), in any letter case; user and password only for ftp. Nothing
// for another scheme (https among them), an empty host, a port that is not 1 to 65535, or an
// address with no "/" after the host.
std::optional<Address> ParseAddress(const text::Text& url);

// "scheme://host:port/path" as the wire needs it: bytes that may not stand in a request line
// (controls, space, 0x7F and up) percent-encoded, everything else as given.
text::Text WireUrl(const Address& address);

}  // namespace download

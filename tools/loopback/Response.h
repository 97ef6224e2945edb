#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/loopback/HttpServer.h"

namespace loopback {

// A whole response written in one go.
struct Response {
  int status = 200;
  std::string reason;  // empty: the usual phrase for the status
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // Adds "Content-Length" with the body's size unless a header of that name is already there.
  bool addLength = true;

  // Status line, header lines each ended by CR LF, a blank line, the body.
  std::string Serialize() const;
};

// The usual reason phrase for a status; "Status" for one we do not know.
std::string ReasonPhrase(int status);

// Sends `response`; a response without a length closes the connection after its body.
void Respond(Connection& connection, const Response& response);

}  // namespace loopback

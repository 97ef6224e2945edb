#include "tools/loopback/Response.h"

#include <strings.h>
#include <algorithm>

namespace loopback {

std::string ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 206:
      return "Partial Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 303:
      return "See Other";
    case 304:
      return "Not Modified";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 416:
      return "Range Not Satisfiable";
    case 500:
      return "Internal Server Error";
    case 503:
      return "Service Unavailable";
    default:
      return "Status";
  }
}

std::string Response::Serialize() const {
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " +
                    (reason.empty() ? ReasonPhrase(status) : reason) + "\r\n";
  bool hasLength = false;
  for (const auto& [name, value] : headers) {
    out += name + ": " + value + "\r\n";
    if (strcasecmp(name.c_str(), "Content-Length") == 0) hasLength = true;
  }
  if (addLength && !hasLength) out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  out += "\r\n";
  out += body;
  return out;
}

void Respond(Connection& connection, const Response& response) {
  bool hasLength = response.addLength ||
                   std::any_of(response.headers.begin(), response.headers.end(), [](auto& h) {
                     return strcasecmp(h.first.c_str(), "Content-Length") == 0;
                   });
  if (!connection.Send(response.Serialize()) || !hasLength) connection.Close();
}

}  // namespace loopback

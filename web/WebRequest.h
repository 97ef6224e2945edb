#pragma once

#include <string_view>

#include "text/Text.h"

// One HTTP or HTTPS request, made and finished within the call.
namespace web {

// The text after the first ":" of `line`, trimmed; empty when there is no ":".
text::Text HeaderValue(std::string_view line);

// Requests `url` and returns the response body; an empty byte array when the request could not
// be set up (then no argument is changed) or no response came.
//
// `method`: 0 GET, 1 POST, 2 HEAD; other values count as 0. `postText`: the body as text, used
// when `postBytes` is empty. `cookies`: when given at all, even empty, the process's cookie
// store is left out: these cookies are sent and on return hold the merge of them with the
// received ones. `receivedCookies`: the cookies the response set, "name=value" joined by "; "
// (merged as above when `cookies` is given). `headers`: extra header lines joined by CR LF; on
// return the whole block that was sent. `responseHeaders`: the status line and header lines of
// the final response, each ended by CR LF; 5000 spaces when they could not be had.
// `noRedirect`: a redirection is returned as it is. `postBytes`: the body as bytes; when empty
// and the method is not GET, it is filled from `postText`. `proxy`: "HOST:PORT" of an HTTP
// proxy; empty for a direct connection.
text::ByteArray WebRequest(std::string_view url, int method = 0, std::string_view postText = {},
                           text::Text* cookies = nullptr, text::Text* receivedCookies = nullptr,
                           text::Text* headers = nullptr, text::Text* responseHeaders = nullptr,
                           bool noRedirect = false, text::ByteArray* postBytes = nullptr,
                           std::string_view proxy = {});

}  // namespace web

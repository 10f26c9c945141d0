#pragma once

// The support library's HTTP client (Windows only, on WinHTTP): one blocking exchange on
// the caller's thread. Any thread may call `send`; the only shared state is one
// process-wide WinHTTP session, made on first use and never closed.

#include "http_request.h"
#include "result.h"

namespace olib::http {

// Sends `request` and waits for the whole reply (body capped at 8 MiB, see kBodyCap).
// A 2xx status gives the response; any other status gives HttpError::from_status (the body
// is dropped); every other failure gives a Message whose text is a fixed Korean text
// followed by the system's description of the error code. Nothing is retried.
Result<HttpResponse, HttpError> send(const HttpRequest& request);

// Opens the shared session now instead of on the first send (the crash reporter does this
// at installation, so that no network library is set up while the process is faulting).
// Returns false when WinHttpOpen fails; a later send then tries again.
bool open_session();

// How many WinHTTP sessions the client holds open (tests: 1 once any send has run).
std::size_t open_sessions_for_testing();

}  // namespace olib::http

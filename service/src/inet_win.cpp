#include "inet_win.h"

#include "handles_win.h"
#include "request.h"
#include "win32_include.h"

#include <wininet.h>

namespace twsvc {

namespace {

using InternetHandle = UniqueHandle<HINTERNET, &InternetCloseHandle>;

// Reads are made in pieces of at most this many bytes.
constexpr DWORD kReadPiece = 1025;

// A real reply is a few hundred bytes. Reading stops here so that an endless or enormous
// reply cannot exhaust the 32-bit address space; the search only sees what was read.
constexpr std::size_t kMaxBody = std::size_t{4} << 20;

}  // namespace

std::string fetch_with_wininet(std::u16string_view url, std::u16string_view header_block) {
  std::string body;
  InternetHandle session(InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return body;
  std::wstring wide_url = to_wide(url);
  std::wstring headers = to_wide(header_block);
  InternetHandle request(InternetOpenUrlW(session.get(), wide_url.c_str(), headers.c_str(),
                                          static_cast<DWORD>(headers.size()),
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE, 0));
  if (!request) return body;
  char piece[kReadPiece];
  for (;;) {
    DWORD read = 0;
    // A failing read ends the body as an empty one would; it would otherwise never end.
    if (!InternetReadFile(request.get(), piece, kReadPiece, &read) || read == 0) break;
    body.append(piece, read);
    if (body.size() >= kMaxBody) {
      body.resize(kMaxBody);
      break;
    }
  }
  return body;
}

}  // namespace twsvc

// WinHTTP side of the HTTP client. Keep WinINet out of this translation unit: the two
// headers clash.
#include "http_client.h"

#include "system_error.h"
#include "utf.h"
#include "win32_include.h"

#include <winhttp.h>

#include <atomic>

namespace olib::http {

namespace {

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle = nullptr) : m_handle(handle) {}
  ~InternetHandle() {
    if (m_handle != nullptr) WinHttpCloseHandle(m_handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

 private:
  HINTERNET m_handle;
};

std::atomic<HINTERNET> g_session{nullptr};
// Sessions opened and not closed again: 1 once the shared one exists, whatever the races.
std::atomic<std::size_t> g_open_sessions{0};

// WinHTTP's own codes (12000-12199) are described by winhttp.dll's message table, not
// the system's; the code itself is kept so the kind of failure stays visible.
std::string error_description(DWORD code) {
  if (code >= WINHTTP_ERROR_BASE && code <= WINHTTP_ERROR_LAST) {
    std::string message = tw::sys::module_error_text(GetModuleHandleW(L"winhttp.dll"), code);
    if (!message.empty()) return message + " (" + std::to_string(code) + ")";
  }
  std::string system_text = tw::sys::system_error_text(code);
  std::string bare = "error " + std::to_string(code);
  if (system_text == bare) return bare;
  return system_text + " (" + std::to_string(code) + ")";
}

HttpError failure(const char* fixed) {
  DWORD code = GetLastError();
  return HttpError::from_message(std::string(fixed) + error_description(code));
}

HINTERNET shared_session() {
  HINTERNET session = g_session.load(std::memory_order_acquire);
  if (session != nullptr) return session;
  HINTERNET fresh = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
  if (fresh == nullptr) return nullptr;
  g_open_sessions.fetch_add(1, std::memory_order_relaxed);
  HINTERNET expected = nullptr;
  if (g_session.compare_exchange_strong(expected, fresh, std::memory_order_acq_rel)) return fresh;
  // Another thread published its session first: use that one.
  WinHttpCloseHandle(fresh);
  g_open_sessions.fetch_sub(1, std::memory_order_relaxed);
  return expected;
}

}  // namespace

bool open_session() {
  return shared_session() != nullptr;
}

std::size_t open_sessions_for_testing() {
  return g_open_sessions.load(std::memory_order_relaxed);
}

Result<HttpResponse, HttpError> send(const HttpRequest& request) {
  auto url = checked_url(request.url);
  if (!url) return HttpError::from_message(bad_url_message(request.url));

  HINTERNET session = shared_session();
  if (session == nullptr) return failure("WinHttpOpen: ");

  std::wstring wide_url = tw::utf8_to_wide(*url);
  std::wstring host(256, L'\0');
  std::wstring path(2048, L'\0');
  std::wstring extra(2048, L'\0');
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host.data();
  parts.dwHostNameLength = static_cast<DWORD>(host.size());
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!WinHttpCrackUrl(wide_url.c_str(), static_cast<DWORD>(wide_url.size()), 0, &parts)) {
    return failure("주소를 해석하지 못했습니다: ");
  }
  host.resize(parts.dwHostNameLength);
  path.resize(parts.dwUrlPathLength);
  extra.resize(parts.dwExtraInfoLength);
  std::wstring object = tw::utf8_to_wide(object_path(tw::utf16_to_utf8(std::wstring_view(path)),
                                                     tw::utf16_to_utf8(std::wstring_view(extra))));

  InternetHandle connection(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
  if (!connection) return failure("WinHttpConnect: ");

  DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  const wchar_t* verb = request.method == Method::post ? L"POST" : L"GET";
  InternetHandle handle(WinHttpOpenRequest(connection.get(), verb, object.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                           flags));
  if (!handle) return failure("WinHttpOpenRequest: ");

  int connect_ms = timeout_milliseconds(request.connect_timeout);
  int receive_ms = timeout_milliseconds(request.receive_timeout);
  if (!WinHttpSetTimeouts(handle.get(), connect_ms, connect_ms, receive_ms, receive_ms)) {
    return failure("WinHttpSetTimeouts: ");
  }
  // Waiting for the reply's headers has a timeout of its own (90 s on Windows, none at all
  // under Wine); the receive timeout bounds it too. A refusal changes nothing else.
  DWORD response_ms = static_cast<DWORD>(receive_ms);
  WinHttpSetOption(handle.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_ms,
                   sizeof response_ms);

  std::string block = header_block(request);
  if (!block.empty()) {
    std::wstring wide_block = tw::utf8_to_wide(block);
    if (!WinHttpAddRequestHeaders(handle.get(), wide_block.c_str(),
                                  static_cast<DWORD>(wide_block.size()), WINHTTP_ADDREQ_FLAG_ADD)) {
      return failure("WinHttpAddRequestHeaders: ");
    }
  }

  auto body_size = static_cast<DWORD>(request.body.size());
  void* body = request.body.empty() ? WINHTTP_NO_REQUEST_DATA
                                    : const_cast<std::uint8_t*>(request.body.data());
  if (!WinHttpSendRequest(handle.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, body, body_size,
                          body_size, 0)) {
    return failure("보내지 못했습니다: ");
  }
  if (!WinHttpReceiveResponse(handle.get(), nullptr)) return failure("응답을 받지 못했습니다: ");

  DWORD status = 0;
  DWORD status_size = sizeof status;
  if (!WinHttpQueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &status_size,
                           WINHTTP_NO_HEADER_INDEX)) {
    return failure("상태 코드를 읽지 못했습니다: ");
  }

  HttpResponse response;
  response.status = static_cast<std::uint16_t>(status);
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(handle.get(), &available)) {
      return failure("본문 길이를 읽지 못했습니다: ");
    }
    std::size_t chunk = next_chunk_size(response.body.size(), available);
    if (chunk == 0) break;  // no more data, or the cap is reached (not an error)
    std::size_t start = response.body.size();
    response.body.resize(start + chunk);
    DWORD read = 0;
    if (!WinHttpReadData(handle.get(), response.body.data() + start, static_cast<DWORD>(chunk),
                         &read)) {
      return failure("본문을 읽지 못했습니다: ");
    }
    response.body.resize(start + read);
    if (read == 0) break;
  }

  if (status < 200 || status > 299) return HttpError::from_status(response.status);
  return response;
}

}  // namespace olib::http

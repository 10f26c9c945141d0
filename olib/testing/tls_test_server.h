#pragma once

// The untrusted HTTPS server of a test run (tools/tls-test-server, started by the CTest
// fixture "tls_server"; tw_test(... TLS_SERVER) names its state folder in TW_TLS_STATE).
// Windows tests only: they read the host's files through Wine's Z: drive.

#include "win32_include.h"

#include <fstream>
#include <sstream>
#include <string>

namespace olib::testing {

// The server's state folder as a Windows path, or empty when the test runs without it.
inline std::string tls_state_folder() {
  char buffer[1024];
  DWORD length = GetEnvironmentVariableA("TW_TLS_STATE", buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return {};
  return "Z:" + std::string(buffer, length);
}

inline std::string read_tls_state_file(const std::string& name) {
  std::ifstream file(tls_state_folder() + "/" + name, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// https://127.0.0.1:<port>`path`, or empty when the server is not there.
inline std::string tls_server_url(const std::string& path) {
  std::string port = read_tls_state_file("port");
  if (port.empty()) return {};
  return "https://127.0.0.1:" + port + path;
}

// Requests the server has answered so far (each got through the TLS handshake).
inline int tls_requests_served() {
  std::string log = read_tls_state_file("requests.log");
  int lines = 0;
  for (char c : log) lines += c == '\n';
  return lines;
}

}  // namespace olib::testing

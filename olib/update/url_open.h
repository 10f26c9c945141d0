#pragma once

// Opening a web address from the update service in the user's browser (Windows only).
// An address is opened only when it is an absolute http(s) URL with a host and no control
// characters or blanks; any other is refused with an "[update] " diagnostic line, so a
// spoofed reply cannot start a local program, a script or a network-share path.

#include <functional>
#include <string>
#include <string_view>

namespace olib::update {

enum class OpenVia {
  explorer,    // the process "explorer" with the URL as its one (quoted) argument
  shell_open,  // the shell's "open" verb, shown normal
};

// True when the URL was handed over (not whether a browser really showed it).
bool open_web_url(std::string_view url, OpenVia via);

// Tests replace the real opening with a recorder; an empty function restores it.
using UrlOpener = std::function<void(const std::string& url, OpenVia via)>;
void set_url_opener_for_testing(UrlOpener opener);

}  // namespace olib::update

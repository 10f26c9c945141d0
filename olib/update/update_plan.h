#pragma once

// What one update check shows, decided from the service's reply text and the language;
// no window is touched here. Diagnostics go out through log_line with "[update] ".

#include "update_reply.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace olib::update {

struct BarPlan {
  std::string url;
  std::string label;
};

struct DialogPlan {
  std::string update_url;  // opened when the user accepts
  std::string main_instruction;
  std::string content;
  std::optional<std::string> check_box;                       // style hold with a text
  std::optional<std::pair<std::string, std::string>> footer;  // (text, url): style note
  bool topmost = false;
};

struct UpdatePlan {
  std::optional<BarPlan> bar;
  std::optional<DialogPlan> dialog;
};

// A web address from the reply is used only when it is an absolute http(s) URL with a
// host and no control characters or blanks; any other is dropped as if absent, with a
// diagnostic line. Applies to the update, notify and footer URLs.
UpdatePlan plan_update(const UpdateNotice& notice, std::string_view language);

// Parses and normalises `reply` and plans it. A reply that does not parse gives nullopt
// after the "[update] [parse] ..." line; a server message is logged as
// "[update] 서버 응답: ...".
std::optional<UpdatePlan> plan_from_reply(std::string_view reply, std::string_view language);

}  // namespace olib::update

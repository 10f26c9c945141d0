#include "scrub.h"

#include "report_layout.h"
#include "utf.h"

namespace olib::except {

namespace {

void replace_all(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  std::string out;
  std::size_t pos = 0;
  bool changed = false;
  while (true) {
    std::size_t hit = text.find(from, pos);
    if (hit == std::string::npos) break;
    out.append(text, pos, hit - pos);
    out += to;
    pos = hit + from.size();
    changed = true;
  }
  if (!changed) return;
  out.append(text, pos, std::string::npos);
  text = std::move(out);
}

}  // namespace

std::string scrub_user_names(std::string_view text, const UserEnvironment& env) {
  std::string out(text);
  for (const std::optional<std::string>* path : {&env.userprofile, &env.home}) {
    if (*path && tw::count_code_points(**path) > 3) replace_all(out, **path, "%USER%");
  }
  const std::optional<std::string>& name = env.username ? env.username : env.user;
  if (name && tw::count_code_points(*name) >= 2) {
    replace_all(out, "\\Users\\" + *name + "\\", "\\Users\\%USER%\\");
    replace_all(out, "/home/" + *name + "/", "/home/%USER%/");
  }
  return out;
}

std::string finish_internal_report(std::string text, const UserEnvironment* env) {
  if (env) text = scrub_user_names(text, *env);
  return shorten_report(std::move(text));
}

std::string scrub_user_names(std::string_view text) {
  return scrub_user_names(text, current_user_environment());
}

}  // namespace olib::except

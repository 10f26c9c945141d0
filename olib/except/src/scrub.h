#pragma once

// User names and profile paths are taken out of a report before it leaves the machine.

#include <optional>
#include <string>
#include <string_view>

namespace olib::except {

// The environment variables scrubbing reads; absent ones are nullopt.
struct UserEnvironment {
  std::optional<std::string> userprofile;  // USERPROFILE
  std::optional<std::string> home;         // HOME
  std::optional<std::string> username;     // USERNAME
  std::optional<std::string> user;         // USER
};

// The process's own environment (UTF-8).
UserEnvironment current_user_environment();

// Replaces, in this order: every occurrence of USERPROFILE and of HOME (each only when
// longer than 3 characters) by "%USER%"; then, with the user name (USERNAME, or USER when
// USERNAME is not set) of at least 2 characters, "\Users\<name>\" by "\Users\%USER%\" and
// "/home/<name>/" by "/home/%USER%/".
std::string scrub_user_names(std::string_view text, const UserEnvironment& env);
std::string scrub_user_names(std::string_view text);

// An internal-fault report as it is queued: scrubbed first (when `env` is given), then
// shortened to the size limit, so the limit applies to what is actually sent.
std::string finish_internal_report(std::string text, const UserEnvironment* env);

}  // namespace olib::except

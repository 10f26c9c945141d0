#include <cstdlib>

#include "scrub.h"

namespace olib::except {

UserEnvironment current_user_environment() {
  auto read = [](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
  };
  return UserEnvironment{read("USERPROFILE"), read("HOME"), read("USERNAME"), read("USER")};
}

}  // namespace olib::except

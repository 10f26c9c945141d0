#pragma once

// Run notifications (desktop toasts); the main window supplies the implementation.
// Callers check the notification option themselves.

#include <string>

namespace tw {

class Notifier {
 public:
  virtual ~Notifier() = default;
  // Shows a toast; the text's first line is its title. Failures are the notifier's own.
  virtual void notify(const std::string& text) = 0;
};

}  // namespace tw

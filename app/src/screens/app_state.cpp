#include "app_state.h"

namespace tw {

SharedAppState::Access SharedAppState::access(SourceLocation where) {
  if (m_in_use) raise_fatal("nested AppState access", where);
  m_in_use = true;
  return Access(this);
}

AppState& SharedAppState::Access::operator*() const {
  if (m_owner == nullptr) raise_fatal("AppState used after its access ended");
  return m_owner->m_state;
}

void SharedAppState::Access::release() noexcept {
  if (m_owner != nullptr) m_owner->m_in_use = false;
  m_owner = nullptr;
}

}  // namespace tw

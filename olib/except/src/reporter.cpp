#include "reporter.h"

#include "reporter_state.h"

namespace olib::except {

ReporterState& reporter_state() noexcept {
  // Made on first use (a note added before installation makes it), never destroyed: the
  // fault paths may run while the process is already ending.
  static ReporterState* state = new ReporterState();
  return *state;
}

void add_note(std::string_view text) noexcept {
  reporter_state().notes.add(text);
}

bool lookup_module(std::uint64_t address, ModuleHit& hit) noexcept {
  return reporter_state().modules.lookup(address, hit);
}

}  // namespace olib::except

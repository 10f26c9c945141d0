#include "reporter.h"

#include "reporter_state.h"

#include <new>

namespace olib::except {

namespace {
// Static storage: the state is made on first use (a note added before installation makes
// it) without touching the heap, so no allocation failure can end the program there; it
// is never destroyed, because the fault paths may run while the process is already ending.
alignas(ReporterState) unsigned char g_state_storage[sizeof(ReporterState)];
}  // namespace

ReporterState& reporter_state() noexcept {
  static ReporterState* state = new (g_state_storage) ReporterState();
  return *state;
}

void add_note(std::string_view text) noexcept {
  reporter_state().notes.add(text);
}

bool lookup_module(std::uint64_t address, ModuleHit& hit) noexcept {
  return reporter_state().modules.lookup(address, hit);
}

}  // namespace olib::except

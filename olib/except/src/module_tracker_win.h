#pragma once

// Keeps the reporter's module table current: a snapshot at installation, then the
// loader's load and unload notifications.

namespace olib::except {

class ModuleTable;

// Registers the loader notification (when the system has it); false when it does not.
bool watch_module_changes(ModuleTable& table) noexcept;

// Takes the start-up snapshot of the loaded modules (at most 4 attempts; a load or unload
// during an attempt starts it again). False when no attempt succeeded.
bool take_module_snapshot(ModuleTable& table) noexcept;

}  // namespace olib::except

#include "module_tracker_win.h"

#include <memory>

#include "module_table.h"
#include "win32_include.h"
// After windows.h:
#include <psapi.h>

namespace olib::except {

namespace {

// The loader's notification records (not in the SDK headers).
struct LoaderUnicodeString {
  USHORT length;  // bytes
  USHORT maximum_length;
  PWSTR buffer;
};

struct DllNotificationData {
  ULONG flags;
  const LoaderUnicodeString* full_name;
  const LoaderUnicodeString* base_name;
  PVOID base;
  ULONG image_size;
};

constexpr ULONG kDllLoaded = 1;
constexpr ULONG kDllUnloaded = 2;

using DllNotification = VOID(NTAPI*)(ULONG reason, const DllNotificationData* data, PVOID context);
using RegisterDllNotification = LONG(NTAPI*)(ULONG flags, DllNotification callback, PVOID context,
                                             PVOID* cookie);

// Runs under the loader lock on whichever thread loads or unloads: no allocation, bounded
// spins (inside the table).
VOID NTAPI on_dll_notification(ULONG reason, const DllNotificationData* data, PVOID context) {
  auto* table = static_cast<ModuleTable*>(context);
  if (!table || !data) return;
  auto base = reinterpret_cast<std::uintptr_t>(data->base);
  if (reason == kDllLoaded) {
    const char16_t* name = u"";
    std::size_t units = 0;
    if (data->base_name && data->base_name->buffer) {
      name = reinterpret_cast<const char16_t*>(data->base_name->buffer);
      units = data->base_name->length / sizeof(wchar_t);
    }
    table->on_load(name, units, base, data->image_size);
  } else if (reason == kDllUnloaded) {
    table->on_unload(base);
  }
}

}  // namespace

bool watch_module_changes(ModuleTable& table) noexcept {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll) return false;
  auto registration = reinterpret_cast<RegisterDllNotification>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
  if (!registration) return false;
  PVOID cookie = nullptr;  // never unregistered: the notification lives as long as the process
  return registration(0, &on_dll_notification, &table, &cookie) >= 0;
}

bool take_module_snapshot(ModuleTable& table) noexcept {
  auto snapshot = std::unique_ptr<ModuleBuffer>(new (std::nothrow) ModuleBuffer());
  if (!snapshot) return false;
  HANDLE process = GetCurrentProcess();
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::uint64_t generation = table.generation();
    HMODULE handles[kModuleCapacity];
    DWORD needed = 0;
    if (!EnumProcessModules(process, handles, sizeof handles, &needed)) continue;
    std::size_t total = needed / sizeof(HMODULE);
    std::size_t listed = total < kModuleCapacity ? total : kModuleCapacity;
    snapshot->count = 0;
    snapshot->overflow = static_cast<std::uint32_t>(total - listed);
    for (std::size_t i = 0; i < listed; ++i) {
      MODULEINFO info{};
      if (!GetModuleInformation(process, handles[i], &info, sizeof info)) continue;
      wchar_t name[kModuleNameUnits] = {};
      DWORD units = GetModuleBaseNameW(process, handles[i], name, kModuleNameUnits);
      if (units == 0) continue;  // a module whose name cannot be read is left out
      snapshot->add(reinterpret_cast<const char16_t*>(name), units,
                    reinterpret_cast<std::uintptr_t>(info.lpBaseOfDll), info.SizeOfImage);
    }
    if (table.publish_snapshot(*snapshot, generation)) return true;
  }
  return false;
}

}  // namespace olib::except

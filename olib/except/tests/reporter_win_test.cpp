// The reporter installed in this very process: module tracking through the loader's
// notifications, the named sender thread, notes, and an internal fault's upload.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <cwchar>
#include <string>

#include "fatal.h"
#include "fault_capture_win.h"
#include "http_test_server.h"
#include "report_layout.h"
#include "reporter.h"
#include "win32_include.h"
// After windows.h:
#include <tlhelp32.h>

namespace {

using namespace std::chrono_literals;

int g_previous_hook_calls = 0;
void previous_hook(const tw::FatalReport&) noexcept {
  ++g_previous_hook_calls;
}

std::string ascii(const char16_t* units) {
  std::string out;
  for (; *units; ++units) out += static_cast<char>(*units);
  return out;
}

std::wstring thread_names() {
  using GetDescription = HRESULT(WINAPI*)(HANDLE, PWSTR*);
  auto describe = reinterpret_cast<GetDescription>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetThreadDescription")));
  if (!describe) return L"(no thread descriptions)";
  std::wstring names;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
    if (!thread) continue;
    PWSTR name = nullptr;
    if (SUCCEEDED(describe(thread, &name)) && name) {
      names += name;
      names += L";";
      LocalFree(name);
    }
    CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return names;
}

class Reporter : public ::testing::Test {
 protected:
  // The reporter is installed once per process and keeps the endpoint it read then, so
  // the server outlives every repetition of the suite.
  static void SetUpTestSuite() {
    if (server) return;
    server = new olib::testing::HttpTestServer();
    std::string url = server->url("/except.php");
    SetEnvironmentVariableW(L"TAPWRIGHT_REPORT_URL", std::wstring(url.begin(), url.end()).c_str());
    tw::set_fatal_hook(&previous_hook);
    olib::except::ReporterConfig config;
    config.show_message_box = false;
    config.app_language = "ko";
    config.max_internal_reports = 1000;
    olib::except::install(config);
    olib::except::install(config);  // a second installation does nothing
  }
  static olib::testing::HttpTestServer* server;
};

olib::testing::HttpTestServer* Reporter::server = nullptr;

TEST_F(Reporter, KnowsTheProgramsOwnModule) {
  olib::except::ModuleHit hit;
  auto here = reinterpret_cast<std::uintptr_t>(&thread_names);
  ASSERT_TRUE(olib::except::lookup_module(here, hit));
  EXPECT_EQ(ascii(hit.name), "olib_except_reporter_test.exe");
  EXPECT_EQ(hit.base, reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr)));
}

TEST_F(Reporter, FollowsLibrariesLoadedAndUnloadedLater) {
  const wchar_t* name = L"lz32.dll";
  ASSERT_EQ(GetModuleHandleW(name), nullptr);
  HMODULE module = LoadLibraryW(name);
  ASSERT_NE(module, nullptr);
  auto base = reinterpret_cast<std::uintptr_t>(module);
  olib::except::ModuleHit hit;
  ASSERT_TRUE(olib::except::lookup_module(base + 0x10, hit));
  EXPECT_EQ(hit.base, base);
  EXPECT_EQ(ascii(hit.name), "lz32.dll");
  FreeLibrary(module);
  ASSERT_EQ(GetModuleHandleW(name), nullptr);
  EXPECT_FALSE(olib::except::lookup_module(base + 0x10, hit));
}

TEST_F(Reporter, SenderThreadIsNamed) {
  std::wstring names = thread_names();
  EXPECT_NE(names.find(L"olib-except;"), std::wstring::npos)
      << std::string(names.begin(), names.end());
}

TEST_F(Reporter, InternalFaultIsUploadedBeforeTheFaultGoesOn) {
  olib::except::add_note("reporter test: note before the fault");
  std::size_t before = server->requests().size();
  int hook_calls = g_previous_hook_calls;
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(tw::raise_fatal("list state broken"), tw::FatalError);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(g_previous_hook_calls, hook_calls + 1);
  // The faulting thread waited for the delivery: the upload is already there.
  auto requests = server->requests();
  ASSERT_EQ(requests.size(), before + 1);
  const std::string& body = requests.back().body;
  EXPECT_NE(body.find("exception message : panic: list state broken\r\n"), std::string::npos);
  EXPECT_NE(body.find("app language      : ko\r\n"), std::string::npos);
  EXPECT_NE(body.find("notes:\r\nreporter test: note before the fault\r\n"), std::string::npos);
  EXPECT_NE(body.find("  olib_except_reporter_test.exe\r\n"), std::string::npos);
  EXPECT_LT(waited, 6s);
}

// ---- the unload trace read at fault time ----

namespace unload_trace {

// Two elements of the smallest size a system may use (92 bytes), the last one ending at a
// page that may not be read: a read past an element's end faults.
unsigned char* g_elements = nullptr;
ULONG g_element_size = 92;
ULONG g_element_count = 2;

void NTAPI trace(PULONG* element_size, PULONG* element_count, PVOID* event_trace) {
  *element_size = &g_element_size;
  *element_count = &g_element_count;
  *event_trace = &g_elements;
}

void put_element(unsigned char* at, std::uint64_t base, std::uint64_t size, ULONG sequence,
                 const wchar_t* name) {
  std::memcpy(at, &base, 8);
  std::memcpy(at + 8, &size, 8);
  std::memcpy(at + 16, &sequence, 4);
  ULONG stamp = 0x12345678, sum = 0x9ABC;
  std::memcpy(at + 20, &stamp, 4);
  std::memcpy(at + 24, &sum, 4);
  std::memcpy(at + 28, name, (std::wcslen(name) + 1) * sizeof(wchar_t));
}

}  // namespace unload_trace

TEST(UnloadTrace, ElementsOfTheSmallestSizeAreReadWithinTheirBounds) {
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  DWORD page = system.dwPageSize;
  auto* pages = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old_protection = 0;
  ASSERT_TRUE(VirtualProtect(pages + page, page, PAGE_NOACCESS, &old_protection));
  unsigned char* elements = pages + page - 2 * 92;
  unload_trace::put_element(elements, 0x10000000, 0x1000, 3, L"older.dll");
  unload_trace::put_element(elements + 92, 0x10000000, 0x2000, 7, L"gone.dll");
  unload_trace::g_elements = elements;
  olib::except::set_unload_trace_for_testing(&unload_trace::trace);

  olib::except::NativeFault fault;
  olib::except::find_unloaded(0x10000800, fault);
  olib::except::set_unload_trace_for_testing(nullptr);
  VirtualFree(pages, 0, MEM_RELEASE);

  ASSERT_TRUE(fault.unloaded.present);
  EXPECT_EQ(ascii(fault.unloaded.name), "gone.dll");
  EXPECT_EQ(fault.unloaded.sequence, 7u);
  EXPECT_EQ(fault.unloaded.size, 0x2000u);
  EXPECT_EQ(fault.unloaded.time_stamp, 0x12345678u);
  EXPECT_EQ(fault.unloaded.checksum, 0x9ABCu);
}

}  // namespace

// Real faults: the fault probe installs the reporter, faults, and the report must arrive
// at a test server on 127.0.0.1 exactly once, in the agreed form, while the process still
// ends as it would have without the reporter.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "http_test_server.h"
#include "win32_include.h"

namespace {

using namespace std::chrono_literals;
using olib::testing::HttpTestServer;
using olib::testing::RecordedRequest;
using olib::testing::Reply;

constexpr const char* kProbeName = "olib_except_fault_probe.exe";

std::wstring widen(const std::string& text) {
  return std::wstring(text.begin(), text.end());
}

std::wstring probe_path() {
  wchar_t self[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path(self, length);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + widen(kProbeName);
}

struct ProbeRun {
  DWORD exit_code = 0;
  double fault_to_exit_ms = -1;
  std::map<std::string, std::vector<std::string>> marks;  // label -> the words after it

  bool has_range(const std::string& label) const {
    auto it = marks.find(label);
    return it != marks.end() && it->second.size() == 2;
  }
  std::pair<unsigned long, unsigned long> range(const std::string& label) const {
    const auto& words = marks.at(label);
    return {std::stoul(words[0], nullptr, 16), std::stoul(words[1], nullptr, 16)};
  }
};

// Runs the probe with the report endpoint pointing at `url` (empty: the variable unset).
ProbeRun run_probe(const std::string& kind, const std::string& url,
                   const std::vector<std::string>& extra = {},
                   const std::function<void()>& while_running = {}) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  std::wstring mark = std::wstring(temp) + L"except_probe_" +
                      std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++counter) +
                      L".txt";
  DeleteFileW(mark.c_str());

  std::wstring command = L"\"" + probe_path() + L"\" " + widen(kind) + L" --mark \"" + mark + L"\"";
  for (const std::string& arg : extra) command += L" " + widen(arg);
  if (url.empty()) {
    SetEnvironmentVariableW(L"TAPWRIGHT_REPORT_URL", nullptr);
  } else {
    SetEnvironmentVariableW(L"TAPWRIGHT_REPORT_URL", widen(url).c_str());
  }

  ProbeRun run;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(0);
  // Wine now and then refuses a process start right after another process died by a fault
  // (ERROR_INTERNAL_ERROR while the previous one is still being torn down); a start is retried
  // a few times before the run counts as failed.
  bool started = false;
  DWORD start_error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200 * attempt);
    started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process) != FALSE;
    if (!started) start_error = GetLastError();
  }
  if (!started) {
    ADD_FAILURE() << "could not start the probe, error " << start_error;
    return run;
  }
  if (while_running) while_running();
  DWORD waited = WaitForSingleObject(process.hProcess, 60000);
  LARGE_INTEGER ended, frequency;
  QueryPerformanceCounter(&ended);
  QueryPerformanceFrequency(&frequency);
  EXPECT_EQ(waited, WAIT_OBJECT_0) << "the probe did not end within a minute";
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 99);
  GetExitCodeProcess(process.hProcess, &run.exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  SetEnvironmentVariableW(L"TAPWRIGHT_REPORT_URL", nullptr);

  if (std::FILE* in = _wfopen(mark.c_str(), L"r")) {
    char text_line[512];
    while (std::fgets(text_line, sizeof text_line, in)) {
      std::istringstream words(text_line);
      std::string label, word;
      words >> label;
      while (words >> word) run.marks[label].push_back(word);
    }
    std::fclose(in);
  }
  DeleteFileW(mark.c_str());
  if (run.marks.count("fault-tick")) {
    long long tick = std::stoll(run.marks["fault-tick"][0]);
    run.fault_to_exit_ms = (ended.QuadPart - tick) * 1000.0 / frequency.QuadPart;
  }
  return run;
}

// The report file out of an upload, after checking the form around it.
std::string report_of(const RecordedRequest& request) {
  EXPECT_EQ(request.method, "POST");
  EXPECT_EQ(request.target, "/except.php");
  EXPECT_EQ(request.header("User-Agent").value_or(""), "Mozilla/5.0 (Windows NT 10.0; Win64; x64)");
  std::string type = request.header("Content-Type").value_or("");
  const std::string prefix = "multipart/form-data; boundary=";
  EXPECT_EQ(type.substr(0, prefix.size()), prefix);
  std::string boundary = type.substr(std::min(prefix.size(), type.size()));
  EXPECT_EQ(boundary.size(), 14u + 32u);
  EXPECT_EQ(boundary.substr(0, 14), "----OLibExcept");
  EXPECT_EQ(boundary.find_first_not_of("0123456789abcdef", 14), std::string::npos);

  std::string head =
      "--" + boundary +
      "\r\nContent-Disposition: form-data; name=\"MailSubject\"\r\n\r\nbug report\r\n"
      "--" +
      boundary +
      "\r\nContent-Disposition: form-data; name=\"MailBody\"\r\n\r\nTapwright 2.0.1.0\r\n"
      "--" +
      boundary +
      "\r\nContent-Disposition: form-data; name=\"BugReport\"; "
      "filename=\"bugreport.txt\"\r\nContent-Type: application/octet-stream\r\n\r\n";
  std::string tail = "\r\n--" + boundary + "--\r\n";
  const std::string& body = request.body;
  if (body.size() < head.size() + tail.size() || body.compare(0, head.size(), head) != 0 ||
      body.compare(body.size() - tail.size(), tail.size(), tail) != 0) {
    ADD_FAILURE() << "not the expected form:\n" << body.substr(0, 600);
    return {};
  }
  return body.substr(head.size(), body.size() - head.size() - tail.size());
}

struct Frame {
  std::string module;
  unsigned long offset = 0;
};

// The frames under the thread line of the call stack.
std::vector<Frame> frames_of(const std::string& report) {
  std::vector<Frame> frames;
  std::size_t at = report.find("initialization\r\n");
  if (at == std::string::npos) return frames;
  at = report.find("\r\n", report.find("):", at)) + 2;
  while (at < report.size()) {
    std::size_t end = report.find("\r\n", at);
    std::string line = report.substr(at, end - at);
    if (line.size() < 27 || line[16] != ' ' || line[17] != '+') break;
    Frame frame;
    frame.module = line.substr(27);
    if (line.compare(18, 8, "????????") != 0)
      frame.offset = std::stoul(line.substr(18, 8), nullptr, 16);
    frames.push_back(frame);
    at = end + 2;
  }
  return frames;
}

bool has_frame_in(const std::vector<Frame>& frames, std::pair<unsigned long, unsigned long> range) {
  for (const Frame& frame : frames) {
    if (frame.module == kProbeName && frame.offset >= range.first && frame.offset < range.second) {
      return true;
    }
  }
  return false;
}

std::string frames_text(const std::vector<Frame>& frames) {
  std::ostringstream out;
  for (const Frame& f : frames) out << f.module << " +" << std::hex << f.offset << "\n";
  return out.str();
}

// Runs a fault with and without the reporter; returns the one upload's report.
std::string fault_reports_once(const std::string& kind, ProbeRun& run) {
  HttpTestServer server;
  run = run_probe(kind, server.url("/except.php"));
  ProbeRun bare = run_probe(kind, server.url("/except.php"), {"--no-reporter"});
  EXPECT_EQ(run.exit_code, bare.exit_code) << "the reporter changed how the process ends";
  std::vector<RecordedRequest> requests = server.requests();
  EXPECT_EQ(requests.size(), 1u) << "one fault, one upload";
  if (requests.empty()) return {};
  std::string report = report_of(requests[0]);
  EXPECT_NE(report.find("executable        : Tapwright.exe\r\n"), std::string::npos);
  EXPECT_NE(report.find("\r\nnotes:\r\nprobe: started\r\n"), std::string::npos);
  EXPECT_NE(report.find("\r\nmodules:\r\n"), std::string::npos);
  EXPECT_NE(report.find(std::string("  ") + kProbeName + "\r\n"), std::string::npos);
  std::printf("[ probe    ] %s: exit 0x%08lX, fault to exit %.1f ms (without reporter %.1f ms)\n",
              kind.c_str(), static_cast<unsigned long>(run.exit_code), run.fault_to_exit_ms,
              bare.fault_to_exit_ms);
  return report;
}

void expect_call_stack_reaches_caller(const ProbeRun& run, const std::string& report,
                                      bool faulting_frame_first) {
  ASSERT_TRUE(run.has_range("faulting") && run.has_range("caller"));
  std::vector<Frame> frames = frames_of(report);
  ASSERT_GE(frames.size(), 2u) << report;
  if (faulting_frame_first) {
    EXPECT_TRUE(has_frame_in({frames[0]}, run.range("faulting"))) << frames_text(frames);
  }
  EXPECT_TRUE(has_frame_in(frames, run.range("faulting"))) << frames_text(frames);
  EXPECT_TRUE(has_frame_in(frames, run.range("caller"))) << frames_text(frames);
}

TEST(CrashReport, NullWriteIsReportedOnceAndTheProcessStillDies) {
  ProbeRun run;
  std::string report = fault_reports_once("null-write", run);
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  EXPECT_NE(
      report.find(std::string("exception message : Access Violation in ") + kProbeName + " + "),
      std::string::npos);
  EXPECT_NE(report.find(" (write)\r\n\r\noperating system  : "), std::string::npos);
  EXPECT_NE(report.find("exception type    : native\r\nexception code    : C0000005\r\n"),
            std::string::npos);
  EXPECT_NE(report.find(std::string("fault module      : ") + kProbeName + " + "),
            std::string::npos);
  EXPECT_NE(report.find("fault operand     : 0000000000000000\r\n"), std::string::npos);
  EXPECT_NE(report.find("registers         : rip="), std::string::npos);
  EXPECT_NE(report.find("\r\nmain thread ($"), std::string::npos);
  EXPECT_NE(report.find("\r\nstack:\r\nrsp+0000  "), std::string::npos);
  expect_call_stack_reaches_caller(run, report, true);
}

TEST(CrashReport, CrashTestSwitchRunsTheWholeNativePath) {
  ProbeRun run;
  std::string report = fault_reports_once("crash-test", run);
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  EXPECT_NE(report.find(std::string("exception message : Access Violation in ") + kProbeName),
            std::string::npos);
  EXPECT_NE(report.find(" (write)\r\n"), std::string::npos);
}

TEST(CrashReport, NullCallStillYieldsACallStackFromTheCaller) {
  ProbeRun run;
  std::string report = fault_reports_once("null-call", run);
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  EXPECT_NE(report.find("exception message : Access Violation in (unknown module) (execute)\r\n"),
            std::string::npos);
  EXPECT_NE(report.find("fault address     : 0000000000000000\r\n"), std::string::npos);
  EXPECT_NE(report.find("olib: frame 2+ assumes [rsp] is the return address (execute fault, no "
                        "unwind info)\r\n"),
            std::string::npos);
  std::vector<Frame> frames = frames_of(report);
  ASSERT_GE(frames.size(), 3u) << report;
  EXPECT_EQ(frames[0].module, "(unknown module)");
  // The second frame is the return address into the function that made the call.
  EXPECT_TRUE(has_frame_in({frames[1]}, run.range("faulting"))) << frames_text(frames);
  expect_call_stack_reaches_caller(run, report, false);
}

TEST(CrashReport, DivideByZeroIsNamedAndPassedOn) {
  ProbeRun run;
  std::string report = fault_reports_once("divide-zero", run);
  EXPECT_EQ(run.exit_code, 0xC0000094u);
  EXPECT_NE(report.find(std::string("exception message : Integer Divide by Zero in ") + kProbeName +
                        " + "),
            std::string::npos);
  EXPECT_EQ(report.find("fault operand"), std::string::npos);
  EXPECT_NE(report.find("exception code    : C0000094\r\n"), std::string::npos);
  expect_call_stack_reaches_caller(run, report, true);
}

TEST(CrashReport, FaultOnASecondThreadNamesThatThread) {
  ProbeRun run;
  std::string report = fault_reports_once("thread", run);
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  EXPECT_EQ(report.find("\r\nmain thread ($"), std::string::npos);
  EXPECT_NE(report.find("initialization\r\nthread ($"), std::string::npos);
  expect_call_stack_reaches_caller(run, report, true);
}

TEST(CrashReport, InternalFaultIsReportedOnceAndStillEndsTheProgram) {
  ProbeRun run;
  std::string report = fault_reports_once("internal", run);
  EXPECT_EQ(run.exit_code, 3u);  // the uncaught fatal error ends in abort()
  EXPECT_NE(report.find("exception message : panic: probe: internal fault / second line\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(report.find("exception type    : panic\r\nfault location    : "), std::string::npos);
  EXPECT_NE(report.find("fault_probe_win.cpp:"), std::string::npos);
  EXPECT_EQ(report.find("exception code"), std::string::npos);
  expect_call_stack_reaches_caller(run, report, true);
}

TEST(CrashReport, FourthInternalFaultSendsNothingButReachesThePreviousHook) {
  HttpTestServer server;
  ProbeRun run = run_probe("internal-four", server.url("/except.php"));
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_EQ(server.requests().size(), 3u);
  ASSERT_TRUE(run.marks.count("hook-calls"));
  EXPECT_EQ(run.marks["hook-calls"][0], "4");
}

TEST(CrashReport, CallIntoAnUnloadedLibraryNamesIt) {
  ProbeRun run;
  std::string report = fault_reports_once("unloaded-call", run);
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  ASSERT_TRUE(run.marks.count("unloaded"));
  std::string name = run.marks["unloaded"][0];
  EXPECT_NE(report.find("fault region      : free (unloaded " + name + " +00001000 ts="),
            std::string::npos)
      << report.substr(0, 2000);
  // Gone from the module list too.
  EXPECT_EQ(report.find("  " + name + "\r\n"), std::string::npos);
  expect_call_stack_reaches_caller(run, report, false);
}

// The exit status here is the probe's own imitation; only the report is of interest.
TEST(CrashReport, MisalignedStackPointerSkipsTheStackSection) {
  ProbeRun run;
  std::string report = fault_reports_once("misaligned-stack", run);
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  EXPECT_EQ(report.find("\r\nstack:\r\n"), std::string::npos);
  EXPECT_EQ(report.find("stack start"), std::string::npos);
  EXPECT_NE(report.find("olib: stack section skipped (rsp outside thread stack)\r\n"),
            std::string::npos);
}

TEST(CrashReport, SilentServerDelaysTheFaultOnlyUntilTheDeadline) {
  HttpTestServer server;
  server.set_default_reply(Reply::never());
  ProbeRun run = run_probe("null-write", server.url("/except.php"), {"--deadline-ms", "1500"});
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  EXPECT_TRUE(server.wait_for_requests(1, 1000ms));
  std::printf("[ probe    ] silent server, deadline 1500 ms: fault to exit %.1f ms\n",
              run.fault_to_exit_ms);
  EXPECT_GE(run.fault_to_exit_ms, 1450.0);
  EXPECT_LT(run.fault_to_exit_ms, 1500.0 + 3000.0);
}

// The fault message box: found by its caption from outside, read and answered.
struct MessageBoxSeen {
  bool found = false;
  std::wstring text;
  std::size_t uploads_when_shown = 0;
};

MessageBoxSeen answer_message_box(const HttpTestServer& server) {
  MessageBoxSeen seen;
  for (int tries = 0; tries < 1000 && !seen.found; ++tries) {
    // Walks the top-level windows itself: under Wine, FindWindowW from a process that has
    // no window of its own did not see the other process's box.
    HWND box = nullptr;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
          wchar_t title[100] = {};
          GetWindowTextW(window, title, 100);
          if (std::wstring_view(title) != L"Tapwright.exe - \uC624\uB958 \uBCF4\uACE0") return TRUE;
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&box));
    if (!box) {
      Sleep(10);
      continue;
    }
    seen.found = true;
    seen.uploads_when_shown = server.requests().size();
    wchar_t text[600] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 600);  // the message box's text control
    seen.text = text;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  return seen;
}

TEST(CrashReport, NativeFaultShowsTheSummaryAfterTheUpload) {
  HttpTestServer server;
  MessageBoxSeen seen;
  ProbeRun run = run_probe("divide-zero", server.url("/except.php"), {"--message-box"},
                           [&] { seen = answer_message_box(server); });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.uploads_when_shown, 1u);
  EXPECT_EQ(seen.text.substr(0, 26), L"Integer Divide by Zero at ");
  EXPECT_EQ(seen.text.size(), 26u + 16u);
  EXPECT_EQ(seen.text.substr(26, 8), L"00000001");  // the program's own code, upper-case hex
  EXPECT_EQ(run.exit_code, 0xC0000094u);
}

TEST(CrashReport, InternalFaultShowsItsMessage) {
  HttpTestServer server;
  MessageBoxSeen seen;
  ProbeRun run = run_probe("internal", server.url("/except.php"), {"--message-box"},
                           [&] { seen = answer_message_box(server); });
  ASSERT_TRUE(seen.found);
  EXPECT_EQ(seen.uploads_when_shown, 1u);
  EXPECT_EQ(seen.text, L"panic: probe: internal fault\nsecond line");
  EXPECT_EQ(run.exit_code, 3u);
}

TEST(CrashReport, SecondFaultWhileReportingGoesStraightToThePreviousFilter) {
  HttpTestServer server;
  server.set_default_reply(Reply::never());
  ProbeRun run = run_probe("second-fault", server.url("/except.php"), {"--deadline-ms", "5000"});
  // The second thread's division ends the process, long before the first report's deadline.
  EXPECT_EQ(run.exit_code, 0xC0000094u);
  EXPECT_LT(run.fault_to_exit_ms, 4000.0);
  std::vector<RecordedRequest> requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_NE(requests[0].body.find("exception message : Access Violation in "), std::string::npos);
  EXPECT_EQ(requests[0].body.find("Integer Divide by Zero"), std::string::npos);
}

TEST(CrashReport, UnreachableServerDoesNotHoldTheFaultBack) {
  std::string url;
  {
    HttpTestServer closed;  // a port that was just free and is now closed again
    url = closed.url("/except.php");
  }
  // The refused upload counts as delivered: the fault goes on long before the deadline.
  ProbeRun run = run_probe("null-write", url, {"--deadline-ms", "15000"});
  EXPECT_EQ(run.exit_code, 0xC0000005u);
  std::printf("[ probe    ] unreachable server: fault to exit %.1f ms\n", run.fault_to_exit_ms);
  EXPECT_LT(run.fault_to_exit_ms, 5000.0);
}

// With sending off, reports are built but nothing is uploaded and no fault waits for one.
TEST(CrashReport, SendingSwitchedOffUploadsNothingAndDoesNotWait) {
  for (const char* kind : {"null-write", "internal"}) {
    SCOPED_TRACE(kind);
    HttpTestServer server;
    server.set_default_reply(Reply::never());
    ProbeRun run =
        run_probe(kind, server.url("/except.php"), {"--no-send", "--deadline-ms", "15000"});
    EXPECT_EQ(run.exit_code, std::string(kind) == "internal" ? 3u : 0xC0000005u);
    EXPECT_LT(run.fault_to_exit_ms, 5000.0);
    EXPECT_FALSE(server.wait_for_requests(1, 500ms));
  }
}

// A note holding the profile path: "%USER%" with scrubbing on, the path as it is with it off.
TEST(CrashReport, ScrubbingFollowsTheConfiguration) {
  wchar_t profile_wide[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"USERPROFILE", profile_wide, MAX_PATH);
  ASSERT_GT(length, 3u) << "the profile path is too short to be scrubbed";
  std::string profile(profile_wide, profile_wide + length);
  for (const char* kind : {"null-write", "internal"}) {
    for (bool scrub : {true, false}) {
      SCOPED_TRACE(std::string(kind) + (scrub ? " scrubbed" : " as it is"));
      HttpTestServer server;
      std::vector<std::string> extra{"--note-profile"};
      if (!scrub) extra.push_back("--no-scrub");
      ProbeRun run = run_probe(kind, server.url("/except.php"), extra);
      ASSERT_TRUE(server.wait_for_requests(1, 5s));
      const std::string& body = server.requests()[0].body;
      EXPECT_NE(body.find("probe: profile "), std::string::npos);
      if (scrub) {
        EXPECT_NE(body.find("probe: profile %USER%"), std::string::npos);
        EXPECT_EQ(body.find(profile), std::string::npos);
      } else {
        EXPECT_NE(body.find("probe: profile " + profile), std::string::npos);
        EXPECT_EQ(body.find("%USER%"), std::string::npos);
      }
    }
  }
}

}  // namespace

#include "screen_view.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "document.h"
#include "event.h"
#include "fatal.h"

namespace {

using tw::PageEvent;
using tw::ScreenView;

constexpr std::string_view kPage = R"(<body><button id="go">Go</button><p id="text">x</p></body>)";

orlan::View* loaded_view() {
  orlan::View* view = orlan::create_view();
  orlan::load_html(view, kPage.data(), kPage.size());
  return view;
}

void fire(orlan::Node* target, orlan::EventType type) {
  orlan::Event event;
  event.type = static_cast<std::int32_t>(type);
  event.target = target;
  orlan::dispatch(event);
}

// Records its own destruction into a shared log.
struct Tracer {
  std::vector<std::string>* log;
  std::string name;
  Tracer(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
  Tracer(const Tracer& other) = default;
  ~Tracer() {
    if (log) log->push_back("released " + name);
  }
};

TEST(ScreenView, HandlerGetsTheEventTarget) {
  ScreenView view(loaded_view());
  orlan::Node* go = orlan::get_element_by_id(view.document(), "go", 2);
  orlan::Node* seen = nullptr;
  ASSERT_EQ(view.on("go", "click", [&](PageEvent& e) { seen = e.target; }), orlan::kOk);
  fire(go, orlan::EventType::kClick);
  EXPECT_EQ(seen, go);
  EXPECT_EQ(view.handler_count(), 1u);
}

TEST(ScreenView, RefusedRegistrationReleasesTheBoxAtOnce) {
  std::vector<std::string> log;
  ScreenView view(loaded_view());
  auto tracer = std::make_shared<Tracer>(&log, "bad-name");
  orlan::Status status = view.on("go", "Click", [tracer](PageEvent&) {});
  tracer.reset();
  EXPECT_EQ(status, orlan::kBadArgument);
  EXPECT_EQ(log, (std::vector<std::string>{"released bad-name"}));
  EXPECT_EQ(view.handler_count(), 0u);

  auto missing = std::make_shared<Tracer>(&log, "missing");
  EXPECT_NE(view.on("nowhere", "click", [missing](PageEvent&) {}), orlan::kOk);
  missing.reset();
  EXPECT_EQ(log.back(), "released missing");
  EXPECT_EQ(view.handler_count(), 0u);
}

TEST(ScreenView, DestroysTheDocumentFirstThenBoxesInRegistrationOrder) {
  std::vector<std::string> log;
  {
    ScreenView view(loaded_view());
    for (const char* name : {"first", "second", "third"}) {
      auto tracer = std::make_shared<Tracer>(&log, name);
      ASSERT_EQ(view.on("go", "click", [tracer](PageEvent&) {}), orlan::kOk);
    }
    EXPECT_TRUE(log.empty());
  }
  EXPECT_EQ(log, (std::vector<std::string>{"released first", "released second", "released third"}));
}

TEST(ScreenView, FatalErrorInAHandlerIsLoggedAndDispatchGoesOn) {
  ScreenView view(loaded_view());
  orlan::Node* go = orlan::get_element_by_id(view.document(), "go", 2);
  int later_handler_runs = 0;
  view.on("go", "click", [](PageEvent&) { tw::raise_fatal("row index out of range"); });
  view.on("go", "click", [&](PageEvent&) { ++later_handler_runs; });
  testing::internal::CaptureStderr();
  fire(go, orlan::EventType::kClick);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "orlanui: panic in 'click' listener: row index out of range\n");
  EXPECT_EQ(later_handler_runs, 1);
}

TEST(ScreenView, FatalErrorWithoutTextIsLoggedAsPanic) {
  ScreenView view(loaded_view());
  orlan::Node* go = orlan::get_element_by_id(view.document(), "go", 2);
  view.on("go", "mousedown", [](PageEvent&) { tw::raise_fatal(""); });
  testing::internal::CaptureStderr();
  fire(go, orlan::EventType::kMousedown);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "orlanui: panic in 'mousedown' listener: panic\n");
}

TEST(ScreenView, FailedAllocationInAHandlerIsTreatedAsAFatalError) {
  ScreenView view(loaded_view());
  orlan::Node* go = orlan::get_element_by_id(view.document(), "go", 2);
  view.on("go", "click", [](PageEvent&) { throw std::bad_alloc(); });
  testing::internal::CaptureStderr();
  fire(go, orlan::EventType::kClick);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "orlanui: panic in 'click' listener: out of memory\n");
}

// The crash reporter's hook sees the fault before the binding layer logs it.
std::vector<std::string>* g_reports = nullptr;
void record_report(const tw::FatalReport& report) noexcept {
  if (g_reports) g_reports->push_back(std::string(report.message));
}

struct NotAStdException {};

TEST(ScreenView, AnyOtherExceptionInAHandlerIsReportedLoggedAndDispatchGoesOn) {
  std::vector<std::string> reports;
  g_reports = &reports;
  tw::FatalHook previous = tw::set_fatal_hook(&record_report);
  ScreenView view(loaded_view());
  orlan::Node* go = orlan::get_element_by_id(view.document(), "go", 2);
  int later_handler_runs = 0;
  view.on("go", "click", [](PageEvent&) { throw std::runtime_error("bad row text"); });
  view.on("go", "click", [](PageEvent&) { throw NotAStdException{}; });
  view.on("go", "click", [&](PageEvent&) { ++later_handler_runs; });
  testing::internal::CaptureStderr();
  fire(go, orlan::EventType::kClick);
  std::string err = testing::internal::GetCapturedStderr();
  tw::set_fatal_hook(previous);
  g_reports = nullptr;
  EXPECT_EQ(err,
            "orlanui: panic in 'click' listener: uncaught exception: bad row text\n"
            "orlanui: panic in 'click' listener: uncaught exception of unknown type\n");
  EXPECT_EQ(reports, (std::vector<std::string>{"uncaught exception: bad row text",
                                               "uncaught exception of unknown type"}));
  EXPECT_EQ(later_handler_runs, 1);
}

TEST(ScreenView, EventWithoutTargetIsAFatalErrorReportedAndLogged) {
  std::vector<std::string> reports;
  g_reports = &reports;
  tw::FatalHook previous = tw::set_fatal_hook(&record_report);
  ScreenView view(loaded_view());
  orlan::Node* go = orlan::get_element_by_id(view.document(), "go", 2);
  bool handler_ran = false;
  view.on("go", "click", [&](PageEvent&) { handler_ran = true; });
  // Run the element's handlers directly with an event that names no target.
  orlan::Event event;
  event.type = static_cast<std::int32_t>(orlan::EventType::kClick);
  testing::internal::CaptureStderr();
  {
    orlan::DispatchScope scope(*orlan::document(view.view()));
    orlan::run_handlers(*go, event);
  }
  std::string err = testing::internal::GetCapturedStderr();
  tw::set_fatal_hook(previous);
  g_reports = nullptr;
  EXPECT_FALSE(handler_ran);
  EXPECT_EQ(reports, (std::vector<std::string>{"event without target"}));
  EXPECT_EQ(err, "orlanui: panic in 'click' listener: event without target\n");
}

}  // namespace

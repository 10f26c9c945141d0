#pragma once

// What every end-to-end test starts from: a fresh copy of Tapwright.exe in a folder of its
// own, no settings in the registry, and the update and report addresses pointing at local
// test servers (so the program never reaches the outside and every request is seen).

#include <gtest/gtest.h>

#include <memory>

#include "http_test_server.h"
#include "tapwright_driver_win.h"

namespace tw::e2e {

class EndToEnd : public testing::Test {
 protected:
  void SetUp() override {
    delete_settings();
    update_server.set_default_reply(olib::testing::Reply::with_body("{}"));
    m_update_url = std::make_unique<ScopedEnvironment>(L"TAPWRIGHT_UPDATE_URL",
                                                       widen(update_server.url("/api.init.php")));
    m_report_url = std::make_unique<ScopedEnvironment>(L"TAPWRIGHT_REPORT_URL",
                                                       widen(report_server.url("/except.php")));
    m_version = std::make_unique<ScopedEnvironment>(L"TAPWRIGHT_UPDATE_VERSION", std::nullopt);
  }

  olib::testing::HttpTestServer update_server;
  olib::testing::HttpTestServer report_server;
  ProgramFolder folder;

 private:
  std::unique_ptr<ScopedEnvironment> m_update_url;
  std::unique_ptr<ScopedEnvironment> m_report_url;
  std::unique_ptr<ScopedEnvironment> m_version;
};

}  // namespace tw::e2e

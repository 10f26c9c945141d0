// Stand-in main program for the accepting path of the update check: runs the check
// against TAPWRIGHT_UPDATE_URL with `argv[1]` as the dialog title and a host window, and
// records what would be opened in the file named by `argv[2]` instead of starting a
// browser. The check ends the process with 0 when the user accepts; 7 means it never did.
#include "update_check.h"
#include "url_open.h"
#include "win_ui_helpers.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  std::string record = argv[2];
  olib::update::set_url_opener_for_testing(
      [record](const std::string& url, olib::update::OpenVia via) {
        if (FILE* file = std::fopen(record.c_str(), "wb")) {
          std::fprintf(file, "%s %s", via == olib::update::OpenVia::explorer ? "explorer" : "shell",
                       url.c_str());
          std::fclose(file);
        }
      });
  olib::update::testing::TestHost host(100, 100, 400, 300);
  olib::update::run_update_check("en", argv[1], host.get());
  olib::update::testing::pump_until([] { return false; }, std::chrono::seconds(30));
  return 7;
}

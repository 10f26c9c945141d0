// Display-list cases: each tests/cases/NAME.html is laid out (400x300 unless its first
// line is "<!-- viewport=WxH -->"; "<!-- image=NAME WxH -->" lines register SVG images)
// and its display-list dump compared with NAME.txt beside it. Set ORLAN_UPDATE_DUMPS=1
// to rewrite the expected files, then review the difference. Below them, what the cases
// cannot show: state the application sets, storage reuse and deep trees.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "paint_test_support.h"

namespace {

namespace fs = std::filesystem;
using orlan::paint_test::Page;

std::string read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

fs::path cases_dir() { return fs::path(TW_SOURCE_DIR) / "ui" / "paint" / "tests" / "cases"; }

std::string paint_case(const std::string& html) {
  float width = 400, height = 300;
  int w = 0, h = 0;
  if (std::sscanf(html.c_str(), "<!-- viewport=%dx%d", &w, &h) == 2) {
    width = static_cast<float>(w);
    height = static_cast<float>(h);
  }
  Page page(html, width, height);
  for (std::size_t at = html.find("<!-- image="); at != std::string::npos;
       at = html.find("<!-- image=", at + 1)) {
    char name[64] = {};
    if (std::sscanf(html.c_str() + at, "<!-- image=%63s %dx%d", name, &w, &h) == 3) page.add_image(name, w, h);
  }
  page.layout();
  return page.dump();
}

TEST(DisplayListCases, MatchReviewedDumps) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(cases_dir()))
    if (entry.path().extension() == ".html") names.push_back(entry.path().stem().string());
  std::sort(names.begin(), names.end());
  ASSERT_GE(names.size(), 10u);
  const bool update = std::getenv("ORLAN_UPDATE_DUMPS") != nullptr;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string dump = paint_case(read(cases_dir() / (name + ".html")));
    const fs::path expected = cases_dir() / (name + ".txt");
    if (update) {
      std::ofstream(expected, std::ios::binary) << dump;
      continue;
    }
    EXPECT_EQ(dump, read(expected));
  }
}

}  // namespace

// orlan-dump: lays out a page with the engine's fallback text measurer and prints its box
// tree, for comparing the engine with a browser.
//
//   orlan-dump [--viewport=WxH] [--css=FILE]... [--display-list] PAGE.html
//
// --display-list prints the page's display list instead (one item per line: kind,
// rectangle, colour or text), the dump the paint tests compare.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "layout_box.h"
#include "layout_dump.h"
#include "orlan/orlan.h"
#if ORLAN_DUMP_DISPLAY_LIST
#include "display_dump.h"
#include "display_list.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage: orlan-dump [--viewport=WxH] [--css=FILE]... [--display-list] PAGE.html";

int fail(const std::string& message) {
  std::cerr << "orlan-dump: " << message << '\n';
  return 2;
}

bool read_file(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return false;
  out = text.str();
  return true;
}

// "WxH" with positive whole numbers up to 100000.
bool parse_viewport(std::string_view text, int& width, int& height) {
  auto number = [](std::string_view s, int& out) {
    if (s.empty() || s.size() > 6) return false;
    int v = 0;
    for (char c : s) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + (c - '0');
    }
    if (v <= 0 || v > 100000) return false;
    out = v;
    return true;
  };
  std::size_t x = text.find('x');
  if (x == std::string_view::npos) return false;
  return number(text.substr(0, x), width) && number(text.substr(x + 1), height);
}

}  // namespace

int main(int argc, char** argv) {
  int width = 800, height = 600;
  std::vector<std::string> css_files;
  std::string page;
  bool display_list = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--display-list") {
#if ORLAN_DUMP_DISPLAY_LIST
      display_list = true;
#else
      return fail("this build has no painting; " + std::string(kUsage));
#endif
    } else if (arg.rfind("--viewport=", 0) == 0) {
      if (!parse_viewport(arg.substr(11), width, height))
        return fail("bad viewport \"" + std::string(arg.substr(11)) + "\"; " + kUsage);
    } else if (arg.rfind("--css=", 0) == 0) {
      if (arg.size() == 6) return fail(kUsage);
      css_files.emplace_back(arg.substr(6));
    } else if (arg.size() > 1 && arg[0] == '-') {
      return fail("unknown option \"" + std::string(arg) + "\"; " + kUsage);
    } else {
      if (!page.empty()) return fail(kUsage);
      page = arg;
    }
  }
  if (page.empty()) return fail(kUsage);

  std::string html;
  if (!read_file(page, html)) return fail("cannot read " + page);
  std::string css;
  for (const std::string& file : css_files) {
    std::string text;
    if (!read_file(file, text)) return fail("cannot read " + file);
    css += text;
    css += '\n';
  }

  orlan::View* view = orlan::create_view();
  if (!view) return fail("out of memory");
  if (orlan::load_page(view, html, css) != orlan::kOk) {
    orlan::destroy_view(view);
    return fail(std::string("cannot load the page: ") + orlan::last_error());
  }
  orlan::Document& document = *orlan::document(view);
  orlan::layout_document(document, static_cast<float>(width), static_cast<float>(height), nullptr);
#if ORLAN_DUMP_DISPLAY_LIST
  if (display_list) {
    orlan::DisplayList list;
    if (orlan::build_display_list(document, list) != orlan::kOk) {
      orlan::destroy_view(view);
      return fail("out of memory");
    }
    std::cout << orlan::dump_display_list(list);
    orlan::destroy_view(view);
    return 0;
  }
#endif
  (void)display_list;
  std::cout << orlan::dump_layout(document);
  orlan::destroy_view(view);
  return 0;
}

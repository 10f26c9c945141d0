// The orlan-dump program: the dump of a case page, and the one-line refusal (status 2)
// of bad arguments and unreadable files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct Result {
  int status = -1;
  std::string out;
};

Result run(const std::string& arguments, bool with_stderr) {
  std::string command = std::string("'") + ORLAN_DUMP_PATH + "' " + arguments;
  command += with_stderr ? " 2>&1 >/dev/null" : " 2>/dev/null";
  Result r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.out.append(buffer, n);
  int status = pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string cases() {
  return std::string(TW_SOURCE_DIR) + "/ui/layout/tests/cases/";
}

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(OrlanDump, PrintsTheDumpOfTheTests) {
  Result r = run("--viewport=400x300 '" + cases() + "floats.html'", false);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, read(cases() + "floats.txt"));
}

TEST(OrlanDump, CssFilesJoinThePagesOwnStyles) {
  const std::string css = std::string(TW_BINARY_DIR) + "/orlan_dump_test.css";
  std::ofstream(css) << "body { margin: 0 }";
  const std::string page = std::string(TW_BINARY_DIR) + "/orlan_dump_test.html";
  std::ofstream(page) << "<style>div{height:7px}</style><div id=a class='x y'></div>";
  Result r = run("--css='" + css + "' '" + page + "'", false);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("html 0,0 800x7\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("    div#a.x.y 0,0 800x7\n"), std::string::npos) << r.out;
}

TEST(OrlanDump, BadArgumentsAndUnreadableFilesGiveOneLineAndStatusTwo) {
  const std::string page = "'" + cases() + "floats.html'";
  for (const std::string& arguments :
       {std::string(""), "--viewport=12 " + page, "--viewport=0x5 " + page, "--bogus " + page,
        "--css= " + page, page + " " + page, std::string("/no/such/page.html"),
        "--css=/no/such.css " + page}) {
    Result r = run(arguments, true);
    EXPECT_EQ(r.status, 2) << arguments;
    ASSERT_FALSE(r.out.empty()) << arguments;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << arguments << ": " << r.out;
  }
}

}  // namespace

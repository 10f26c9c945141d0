// orlan-dump --display-list prints the dump the display-list cases are compared with.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string run(const std::string& arguments, int* status) {
  const std::string command = std::string("'") + ORLAN_DUMP_PATH + "' " + arguments + " 2>/dev/null";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int s = pclose(pipe);
  *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(OrlanDumpDisplayList, PrintsTheDumpOfTheTests) {
  const std::string cases = std::string(TW_SOURCE_DIR) + "/ui/paint/tests/cases/";
  for (const char* name : {"z-order", "borders-outline", "text-decoration"}) {
    SCOPED_TRACE(name);
    const std::string html = read(cases + name + ".html");
    int w = 0, h = 0;
    ASSERT_EQ(std::sscanf(html.c_str(), "<!-- viewport=%dx%d", &w, &h), 2);
    int status = -1;
    const std::string out = run("--display-list --viewport=" + std::to_string(w) + "x" +
                                    std::to_string(h) + " '" + cases + name + ".html'",
                                &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, read(cases + name + ".txt"));
  }
}

}  // namespace

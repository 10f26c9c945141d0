// The main window's portable parts: its size for a DPI, its place on a work area, and the
// XML of a run notification.

#include <gtest/gtest.h>

#include <string>

#include "toast_xml.h"
#include "window_metrics.h"

namespace {

using tw::PixelPoint;
using tw::PixelSize;

TEST(MainWindowSize, ScalesTheClientAreaInSinglePrecisionAndTruncates) {
  struct Case {
    std::uint32_t dpi;
    PixelSize expected;
  };
  const Case cases[] = {
      {96, {611, 463}},   {120, {763, 578}},   // 763.75 x 578.75
      {144, {916, 694}},  {168, {1069, 810}},  // 1069.25 x 810.25
      {192, {1222, 926}}, {288, {1833, 1389}},
      {100, {636, 482}},  // 636.46 x 482.29
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tw::scaled_client_size(c.dpi), c.expected) << c.dpi << " DPI";
  }
}

TEST(MainWindowPlace, CentresTheOuterWindowOnTheWorkArea) {
  // A work area that does not start at 0 (taskbar on the left, a second monitor).
  EXPECT_EQ(tw::centred_origin({60, 0, 1920, 1040}, {627, 502}), (PixelPoint{676, 269}));
  EXPECT_EQ(tw::centred_origin({1920, -200, 3840, 880}, {932, 733}), (PixelPoint{2414, -27}));
  // Larger than the work area: the window sticks out on both sides evenly.
  EXPECT_EQ(tw::centred_origin({0, 0, 800, 600}, {900, 700}), (PixelPoint{-50, -50}));
}

TEST(ToastXml, FirstLineIsTheTitleAndTheRestTheBodyWithEverythingEscaped) {
  struct Case {
    std::string message;
    std::string title_and_body;  // what stands between the first <text> and the last </text>
  };
  const Case cases[] = {
      {"Run started", "Run started</text><text>"},
      {"Done\nClicked 10 times", "Done</text><text>Clicked 10 times"},
      {"Done\r\nsecond\nthird", "Done</text><text>second\nthird"},
      {"\nonly body", "</text><text>only body"},
      {"a & b < c > d \"e\" 'f'",
       "a &amp; b &lt; c &gt; d &quot;e&quot; &apos;f&apos;</text><text>"},
      {"</text><x>", "&lt;/text&gt;&lt;x&gt;</text><text>"},
      {"", "</text><text>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tw::toast_xml(c.message),
              "<toast><visual><binding template=\"ToastGeneric\"><text>" + c.title_and_body +
                  "</text></binding></visual></toast>")
        << c.message;
  }
}

}  // namespace

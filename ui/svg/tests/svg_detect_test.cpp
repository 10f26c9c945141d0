#include "svg_detect.h"

#include <gtest/gtest.h>

#include <string>

using orlan::svg::looks_like_svg;

namespace {

bool detect(std::string_view text) {
  return looks_like_svg(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace

TEST(SvgDetect, ByteOrderMarkDeclarationAndCommentBeforeTheElement) {
  EXPECT_TRUE(
      detect("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- logo <svg> -->\r\n"
             "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\">\t<svg width=\"1\"/>"));
}

TEST(SvgDetect, WhatMayFollowTheName) {
  EXPECT_TRUE(detect("<svg"));
  EXPECT_TRUE(detect("<svg>"));
  EXPECT_TRUE(detect("<svg/>"));
  EXPECT_TRUE(detect("<svg\nxmlns='x'>"));
  EXPECT_FALSE(detect("<svgz>"));
  EXPECT_FALSE(detect("<svg:svg>"));
  EXPECT_FALSE(detect("<SVG>"));
}

TEST(SvgDetect, OtherContentIsNotSvg) {
  EXPECT_FALSE(detect(""));
  EXPECT_FALSE(detect("<html><svg></svg></html>"));
  EXPECT_FALSE(detect("text <svg>"));
  EXPECT_FALSE(detect("\x89PNG\r\n\x1a\n"));
  EXPECT_FALSE(looks_like_svg(nullptr, 4));
}

TEST(SvgDetect, UnfinishedCommentOrDeclarationIsNotSvg) {
  EXPECT_FALSE(detect("<!-- <svg>"));
  EXPECT_FALSE(detect("<?xml <svg>"));
  EXPECT_FALSE(detect("<!DOCTYPE svg"));
}

TEST(SvgDetect, ByteOrderMarkOnlyAtTheVeryStart) {
  EXPECT_FALSE(detect(" \xEF\xBB\xBF<svg>"));
  EXPECT_FALSE(detect("\xEF\xBB<svg>"));
}

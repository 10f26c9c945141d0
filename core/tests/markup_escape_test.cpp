#include "markup_escape.h"

#include <gtest/gtest.h>

namespace {

TEST(MarkupEscape, EscapesTheMarkupCharactersAndApostropheOnlyWhenAsked) {
  EXPECT_EQ(tw::escape_markup("a&b <i>\"x\"</i> it's", tw::Apostrophe::Escape),
            "a&amp;b &lt;i&gt;&quot;x&quot;&lt;/i&gt; it&apos;s");
  EXPECT_EQ(tw::escape_markup("a&b <i>\"x\"</i> it's", tw::Apostrophe::Keep),
            "a&amp;b &lt;i&gt;&quot;x&quot;&lt;/i&gt; it's");
  EXPECT_EQ(tw::escape_markup("탭라이트 &amp;", tw::Apostrophe::Keep), "탭라이트 &amp;amp;");
  EXPECT_EQ(tw::escape_markup("", tw::Apostrophe::Escape), "");
}

}  // namespace

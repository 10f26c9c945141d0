#include "image_set.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document.h"
#include "orlan/orlan.h"
#include "view.h"

namespace {

using namespace orlan;

constexpr std::string_view kLogo = "<svg width='24' height='12'><path d='M0 0h24v12z'/></svg>";
const std::uint8_t kGif[] = {'G', 'I', 'F', '8', '9', 'a', 5, 0, 6, 0, 0, 0, 0};

class ImageSet : public ::testing::Test {
 protected:
  void SetUp() override {
    m_view = create_view();
    ASSERT_NE(m_view, nullptr);
    m_doc = document(m_view);
    m_body = element("body");
    link_child(*m_doc->root, *m_body, nullptr);
  }
  void TearDown() override { destroy_view(m_view); }

  Node* element(std::string_view tag) {
    Node* node = create_element(m_doc, tag.data(), tag.size());
    EXPECT_NE(node, nullptr);
    return node;
  }
  Node* img(std::string_view src, Node* parent) {
    Node* node = element("img");
    EXPECT_EQ(set_attribute(node, "src", 3, src.data(), src.size()), kOk);
    EXPECT_EQ(append_child(parent, node), kOk);
    return node;
  }
  Status set(std::string_view name, std::string_view bytes) {
    return image_set(m_doc, name.data(), name.size(), bytes.data(), bytes.size());
  }
  // Forgets every dirty bit, as a finished frame does.
  void clean() {
    std::vector<Node*> stack{m_doc->root};
    while (!stack.empty()) {
      Node* n = stack.back();
      stack.pop_back();
      n->dirty = 0;
      for (Node* c = n->first_child; c; c = c->next_sibling) stack.push_back(c);
    }
  }
  const image::ImageEntry* entry(std::string_view name) {
    return find_image(*m_doc, m_doc->atoms.lookup(name));
  }

  View* m_view = nullptr;
  Document* m_doc = nullptr;
  Node* m_body = nullptr;
};

constexpr std::uint8_t kLayoutAndPaint = kDirtyLayout | kDirtyPaint;

TEST_F(ImageSet, BadArguments) {
  const char bytes[] = "<svg/>";
  EXPECT_EQ(image_set(nullptr, "a", 1, bytes, 6), kBadArgument);
  EXPECT_STREQ(last_error(), "image_set: bad argument");
  EXPECT_EQ(image_set(m_doc, nullptr, 1, bytes, 6), kBadArgument);
  EXPECT_EQ(image_set(m_doc, "a", 0, bytes, 6), kBadArgument);
  EXPECT_EQ(image_set(m_doc, "a", 1, nullptr, 6), kBadArgument);
  EXPECT_EQ(image_set(m_doc, "a", 1, bytes, 0), kBadArgument);
  EXPECT_STREQ(last_error(), "image_set: bad argument");
  EXPECT_EQ(entry("a"), nullptr);
}

TEST_F(ImageSet, MessagesNameTheImage) {
  EXPECT_EQ(set("logo.svg", "<svg width='1'"), kBadArgument);
  EXPECT_STREQ(last_error(), "image_set: cannot parse SVG 'logo.svg'");
  EXPECT_EQ(set("photo.png", "\x89PNG\r\n\x1a\n 12 bytes more"), kBadArgument);
  EXPECT_STREQ(last_error(), "image_set: unsupported or corrupt image 'photo.png'");
  // Bytes beginning "<svg" and a letter are checked as raster images.
  EXPECT_EQ(set("x", "<svgfoo/>"), kBadArgument);
  EXPECT_STREQ(last_error(), "image_set: unsupported or corrupt image 'x'");
  // A success leaves the message as it was.
  EXPECT_EQ(set("ok.svg", kLogo), kOk);
  EXPECT_STREQ(last_error(), "image_set: unsupported or corrupt image 'x'");
}

TEST_F(ImageSet, PngWithTopBitHeightIsRejected) {
  std::string png = "\x89PNG\r\n\x1a\n";
  png += std::string("\0\0\0\x0dIHDR\0\0\0\x10\x80\0\0\x10", 16);
  EXPECT_EQ(set("p", png), kBadArgument);
  EXPECT_STREQ(last_error(), "image_set: unsupported or corrupt image 'p'");
  png[20] = 0;
  EXPECT_EQ(set("p", png), kOk);
  EXPECT_EQ(entry("p")->height, 16);
}

TEST_F(ImageSet, StoresSizeAndGenerationUnderACaseSensitiveName) {
  ASSERT_EQ(set("Logo.svg", kLogo), kOk);
  ASSERT_EQ(image_set(m_doc, "icon", 4, kGif, sizeof kGif), kOk);
  const image::ImageEntry* logo = entry("Logo.svg");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(logo->width, 24);
  EXPECT_EQ(logo->height, 12);
  EXPECT_NE(logo->svg, nullptr);
  EXPECT_EQ(logo->generation, 1u);
  EXPECT_EQ(entry("icon")->width, 5);
  EXPECT_EQ(entry("icon")->generation, 2u);
  EXPECT_EQ(entry("logo.svg"), nullptr);
  EXPECT_EQ(find_image(*m_doc, 0), nullptr);
}

TEST_F(ImageSet, ImgUsersAreMarkedDirtyEachTime) {
  Node* div = element("div");
  ASSERT_EQ(append_child(m_body, div), kOk);
  Node* user = img("logo.svg", div);
  Node* other = img("other.svg", m_body);
  Node* not_img = element("div");
  ASSERT_EQ(set_attribute(not_img, "src", 3, "logo.svg", 8), kOk);
  ASSERT_EQ(append_child(m_body, not_img), kOk);
  Node* second = img("logo.svg", m_body);

  for (int round = 1; round <= 2; ++round) {
    clean();
    ASSERT_EQ(set("logo.svg", kLogo), kOk);
    EXPECT_EQ(user->dirty & kLayoutAndPaint, kLayoutAndPaint) << round;
    EXPECT_EQ(second->dirty & kLayoutAndPaint, kLayoutAndPaint) << round;
    EXPECT_EQ(other->dirty, 0) << round;
    EXPECT_EQ(not_img->dirty, 0) << round;
    EXPECT_NE(div->dirty & kDirtyDescendant, 0) << round;
    EXPECT_EQ(entry("logo.svg")->generation, static_cast<std::uint32_t>(round));
  }
}

TEST_F(ImageSet, SrcComparesWholeNameWithCase) {
  Node* shorter = img("logo", m_body);
  Node* upper = img("LOGO.SVG", m_body);
  clean();
  ASSERT_EQ(set("logo.svg", kLogo), kOk);
  EXPECT_EQ(shorter->dirty, 0);
  EXPECT_EQ(upper->dirty, 0);
}

TEST_F(ImageSet, FailedSetMarksNothing) {
  Node* user = img("logo.svg", m_body);
  clean();
  EXPECT_EQ(set("logo.svg", "<svg"), kBadArgument);
  EXPECT_EQ(user->dirty, 0);
}

TEST_F(ImageSet, DetachedElementsAreNotWalked) {
  Node* detached = element("img");
  ASSERT_EQ(set_attribute(detached, "src", 3, "a", 1), kOk);
  clean();
  detached->dirty = 0;
  ASSERT_EQ(set("a", kLogo), kOk);
  EXPECT_EQ(detached->dirty, 0);
}

namespace {

Node* g_background_user = nullptr;
Atom g_asked_name = 0;

bool background_uses(const Node& element, Atom name) {
  g_asked_name = name;
  return &element == g_background_user;
}

}  // namespace

TEST_F(ImageSet, BackgroundUsersComeFromTheInstalledCheck) {
  Node* panel = element("div");
  ASSERT_EQ(append_child(m_body, panel), kOk);
  g_background_user = panel;
  set_background_image_use_check(&background_uses);
  clean();
  const Status status = set("bg.svg", kLogo);
  set_background_image_use_check(nullptr);
  ASSERT_EQ(status, kOk);
  EXPECT_EQ(panel->dirty & kLayoutAndPaint, kLayoutAndPaint);
  EXPECT_EQ(m_body->dirty & kLayoutAndPaint, 0);
  EXPECT_EQ(g_asked_name, m_doc->atoms.lookup("bg.svg"));
}

TEST_F(ImageSet, RendererInformationFunctionIsUsedForRasterBytes) {
  struct Fake {
    static bool info(void* context, const std::uint8_t*, std::size_t, std::int32_t* w,
                     std::int32_t* h) {
      ++*static_cast<int*>(context);
      *w = 640;
      *h = 480;
      return true;
    }
  };
  int calls = 0;
  ASSERT_TRUE(set_image_info_function(*m_doc, &calls, &Fake::info));
  ASSERT_EQ(set("shot.jxr", "II\xbc\x01 whatever the platform reads"), kOk);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(entry("shot.jxr")->width, 640);
  EXPECT_EQ(entry("shot.jxr")->height, 480);
}

TEST_F(ImageSet, LongNameIsCutInTheMessage) {
  const std::string name(1000, 'n');
  EXPECT_EQ(set(name, "junk"), kBadArgument);
  const std::string message = last_error();
  EXPECT_EQ(message.size(), 255u);
  EXPECT_EQ(message.rfind("image_set: unsupported or corrupt image 'nnn", 0), 0u);
}

}  // namespace

#include "net/SiteAddresses.h"

#include <gtest/gtest.h>

namespace tavren {
namespace {

TEST(SiteAddresses, RootIsTheBuildsConstant) {
  EXPECT_EQ(SiteRoot(), TAVREN_EXPECTED_SITE_ROOT);
  EXPECT_EQ(SiteRoot().back(), '/');
}

TEST(SiteAddresses, PagesAreRootPlusRelativePath) {
  struct Row {
    std::u16string (*address)(std::string_view);
    std::u16string (*builtIn)();
    std::u16string relative;
  } rows[] = {
      {&HomePageAddress, &HomePageAddress, u"soft/tavren/tavren.htm"},
      {&GuideListAddress, &GuideListAddress, u"soft/tavren/list.htm"},
      {&SoftwarePageAddress, &SoftwarePageAddress, u"soft/soft.htm"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.address("http://example.jp/"), u"http://example.jp/" + r.relative);
    // No separator is added and nothing is normalised.
    EXPECT_EQ(r.address("http://h/dir"), u"http://h/dir" + r.relative);
    std::u16string root;
    for (char c : SiteRoot()) root += static_cast<char16_t>(c);
    EXPECT_EQ(r.builtIn(), root + r.relative);
  }
}

TEST(SiteAddresses, BannerSlotIsMinuteDividedByThree) {
  const int rows[][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {29, 9}, {30, 10}, {57, 19}, {59, 19}};
  for (const auto& r : rows) EXPECT_EQ(BannerSlot(r[0]), r[1]) << "minute " << r[0];
}

TEST(SiteAddresses, FetchedFilesCarryTheSlotInDecimal) {
  struct Row {
    int slot;
    const char* picture;
    const char* link;
  } rows[] = {
      {0, "http://s/cm/tavren/0.jpg", "http://s/cm/tavren/cm0.txt"},
      {9, "http://s/cm/tavren/9.jpg", "http://s/cm/tavren/cm9.txt"},
      {10, "http://s/cm/tavren/10.jpg", "http://s/cm/tavren/cm10.txt"},
      {BannerSlot(59), "http://s/cm/tavren/19.jpg", "http://s/cm/tavren/cm19.txt"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(BannerPictureAddress("http://s/", r.slot), r.picture);
    EXPECT_EQ(BannerLinkAddress("http://s/", r.slot), r.link);
    EXPECT_EQ(BannerPictureAddress(r.slot), std::string(SiteRoot()) + (r.picture + 9));
    EXPECT_EQ(BannerLinkAddress(r.slot), std::string(SiteRoot()) + (r.link + 9));
  }
  EXPECT_EQ(NoticeTextAddress("http://s/"), "http://s/cm/kelm/kelmmsg.txt");
  EXPECT_EQ(NoticeTextAddress(), std::string(SiteRoot()) + "cm/kelm/kelmmsg.txt");
}

}  // namespace
}  // namespace tavren

#include "net/SiteAddresses.h"

#include "base/CodePage.h"
#include "net/SiteRootConfig.h"

namespace tavren {

namespace {

std::string Join(std::string_view root, std::string_view relative) {
  std::string address;
  address.reserve(root.size() + relative.size());
  address.append(root).append(relative);
  return address;
}

std::string Slotted(std::string_view root, std::string_view before, int slot, std::string_view after) {
  return Join(root, before) + std::to_string(slot) + std::string(after);
}

}  // namespace

std::string_view SiteRoot() noexcept { return kConfiguredSiteRoot; }

std::u16string HomePageAddress() { return HomePageAddress(SiteRoot()); }
std::u16string HomePageAddress(std::string_view root) { return cp932::ToUtf16(Join(root, "soft/tavren/tavren.htm")); }

std::u16string GuideListAddress() { return GuideListAddress(SiteRoot()); }
std::u16string GuideListAddress(std::string_view root) { return cp932::ToUtf16(Join(root, "soft/tavren/list.htm")); }

std::u16string SoftwarePageAddress() { return SoftwarePageAddress(SiteRoot()); }
std::u16string SoftwarePageAddress(std::string_view root) { return cp932::ToUtf16(Join(root, "soft/soft.htm")); }

std::string BannerPictureAddress(int slot) { return BannerPictureAddress(SiteRoot(), slot); }
std::string BannerPictureAddress(std::string_view root, int slot) { return Slotted(root, "cm/tavren/", slot, ".jpg"); }

std::string BannerLinkAddress(int slot) { return BannerLinkAddress(SiteRoot(), slot); }
std::string BannerLinkAddress(std::string_view root, int slot) { return Slotted(root, "cm/tavren/cm", slot, ".txt"); }

std::string NoticeTextAddress() { return NoticeTextAddress(SiteRoot()); }
std::string NoticeTextAddress(std::string_view root) { return Join(root, "cm/kelm/kelmmsg.txt"); }

}  // namespace tavren

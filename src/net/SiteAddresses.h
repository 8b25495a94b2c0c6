#pragma once
// The maker's web directory and every fixed address under it. Each address is
// the root followed directly by a relative path: plain concatenation, nothing
// added, nothing normalised. The overloads without a root use SiteRoot(), the
// constant of the build; the ones taking a root exist so that a window can be
// pointed at another site (a test's fake site on 127.0.0.1, for instance).

#include <string>
#include <string_view>

namespace tavren {

// The build's site root (CMake cache variable TAVREN_SITE_ROOT): an "http"
// address ending in "/", as bytes.
std::string_view SiteRoot() noexcept;

// Pages handed to the web view, as UTF-16 text. The root is converted from
// CP932 (it is ASCII in practice).
std::u16string HomePageAddress();
std::u16string HomePageAddress(std::string_view root);
std::u16string GuideListAddress();
std::u16string GuideListAddress(std::string_view root);
std::u16string SoftwarePageAddress();
std::u16string SoftwarePageAddress(std::string_view root);

// The banner slot of a minute of the hour: minute / 3, truncated (0..19 for
// 0..59). Other minutes are not clamped.
constexpr int BannerSlot(int minute) noexcept { return minute / 3; }

// Files the program fetches itself, as bytes. The slot is written in decimal
// without leading zeros: root + "cm/tavren/" + slot + ".jpg", root +
// "cm/tavren/cm" + slot + ".txt", root + "cm/kelm/kelmmsg.txt".
std::string BannerPictureAddress(int slot);
std::string BannerPictureAddress(std::string_view root, int slot);
std::string BannerLinkAddress(int slot);
std::string BannerLinkAddress(std::string_view root, int slot);
std::string NoticeTextAddress();
std::string NoticeTextAddress(std::string_view root);

}  // namespace tavren

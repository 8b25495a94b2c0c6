#pragma once
// The rotating banner: every tick it works out the current three-minute slot
// from the clock, fetches that slot's picture into the banner file, shows the
// picture and then fetches the slot's link into NoticeUrl. It owns its HTTP
// client (the main window's IdHTTP1), its timer and its banner file; the
// window lays out the picture and dispatches the ticks.

#include "banner/BannerFile.h"
#include "banner/Ticker.h"
#include "net/Connection.h"
#include "net/HttpFetcher.h"

#include <functional>
#include <memory>
#include <string>

namespace tavren {

class Clock;
class JpegPicture;

// What the banner is built with; a null part gets the program's own.
struct BannerParts {
  // Must outlive the banner.
  const Clock& clock;
  // The maker's web directory, ending in "/".
  std::string siteRoot;
  // How the fetcher connects (null: POSIX sockets).
  std::unique_ptr<Connector> connector{};
  // The timer (null: a precise QTimer named "Timer1").
  std::unique_ptr<Ticker> timer{};
  // The picture's file (null: "tavren.jpg" in the current directory).
  std::unique_ptr<BannerFile> file{};
  // The timer's period.
  int intervalMs = 90000;
  FetcherLimits fetcherLimits{};
};

class Banner {
 public:
  // `show` puts a newly loaded picture on screen (the old one is replaced).
  // Nothing is fetched and the timer is not started yet.
  Banner(BannerParts parts, std::function<void(JpegPicture)> show);
  ~Banner();
  Banner(const Banner&) = delete;
  Banner& operator=(const Banner&) = delete;

  // Starts the timer; `onTick` runs at each tick (the window's dispatcher,
  // which runs Tick and shows its failures).
  void Start(std::function<void()> onTick);
  // Stops the timer for good: no tick runs from now on, not even one due.
  void Stop();

  // One tick, in order: slot from the clock's minute; create the banner
  // file; fetch the picture into it; let the file go (also on failure);
  // load it and show it; fetch the link into NoticeUrl. Throws the first
  // failure (the file's, the fetcher's, EJpegError) and ends there: what was
  // done before stays (a shown picture, a written file).
  void Tick();

  // The latest link's whole body (CP932, unchanged); empty before the first
  // tick that got that far.
  const std::string& NoticeUrl() const noexcept { return noticeUrl_; }
  const Ticker& Timer() const noexcept { return *timer_; }

  // The program's banner file, relative to the current directory.
  static constexpr char kFileName[] = "tavren.jpg";

 private:
  const Clock& clock_;
  std::string siteRoot_;
  std::unique_ptr<Ticker> timer_;
  std::unique_ptr<BannerFile> file_;
  int intervalMs_;
  HttpFetcher fetcher_;
  std::function<void(JpegPicture)> show_;
  std::string noticeUrl_;
};

}  // namespace tavren

#include "banner/Banner.h"

#include <QDateTime>

#include <utility>

#include "banner/JpegPicture.h"
#include "base/Clock.h"
#include "net/SiteAddresses.h"
#include "net/SocketConnection.h"

namespace tavren {
namespace {

std::unique_ptr<Connector> OrSockets(std::unique_ptr<Connector> connector, const FetcherLimits& limits) {
  if (connector) return connector;
  return std::make_unique<SocketConnector>(limits.connectTimeout, limits.readTimeout);
}

}  // namespace

Banner::Banner(BannerParts parts, std::function<void(JpegPicture)> show)
    : clock_(parts.clock),
      siteRoot_(std::move(parts.siteRoot)),
      timer_(parts.timer ? std::move(parts.timer) : std::make_unique<QtTicker>(QStringLiteral("Timer1"))),
      file_(parts.file ? std::move(parts.file) : std::make_unique<LocalBannerFile>(kFileName)),
      intervalMs_(parts.intervalMs),
      fetcher_(parts.fetcherLimits, OrSockets(std::move(parts.connector), parts.fetcherLimits)),
      show_(std::move(show)) {}

Banner::~Banner() = default;

void Banner::Start(std::function<void()> onTick) { timer_->Start(intervalMs_, std::move(onTick)); }

void Banner::Stop() { timer_->Stop(); }

void Banner::Tick() {
  const int minute = clock_.Now().toString(QStringLiteral("mm")).toInt();
  const int slot = BannerSlot(minute);
  {
    const std::unique_ptr<ByteStream> stream = file_->Create();
    fetcher_.GetToStream(BannerPictureAddress(siteRoot_, slot), *stream);
  }
  show_(JpegPicture::FromBytes(file_->ReadBack()));
  noticeUrl_ = fetcher_.GetText(BannerLinkAddress(siteRoot_, slot));
}

}  // namespace tavren

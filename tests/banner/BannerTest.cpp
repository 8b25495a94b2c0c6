// The banner tick over in-memory twins: the slot from the clock, the order of
// the fetches, the file, the picture, the link and what each failure leaves.

#include "banner/Banner.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <optional>

#include "FakeClock.h"
#include "FakeTicker.h"
#include "JpegSamples.h"
#include "MemoryBannerFile.h"
#include "MemorySite.h"
#include "Sjis.h"
#include "banner/JpegPicture.h"
#include "base/Failure.h"

namespace tavren::test {
namespace {

struct BannerTest : ::testing::Test {
  FakeClock clock;
  MemorySite site;
  FakeTicker* timer = new FakeTicker;
  MemoryBannerFile* file = new MemoryBannerFile;
  std::optional<JpegPicture> shown;
  Banner banner{BannerParts{.clock = clock,
                            .siteRoot = MemorySite::Root(),
                            .connector = site.NewConnector(),
                            .timer = std::unique_ptr<Ticker>(timer),
                            .file = std::unique_ptr<BannerFile>(file)},
                [this](JpegPicture picture) { shown = std::move(picture); }};

  void AnswerSlot(int slot, const std::string& picture, const std::string& link) {
    site.Answer("/cm/tavren/" + std::to_string(slot) + ".jpg", MemorySite::Ok(picture));
    site.Answer("/cm/tavren/cm" + std::to_string(slot) + ".txt", MemorySite::Ok(link));
  }
  // The failure's message (CP932), or "" when the tick went through.
  std::string TickFailure() {
    try {
      banner.Tick();
    } catch (const EFailure& e) {
      return e.Message();
    }
    return {};
  }
  std::vector<std::string> Targets() const {
    std::vector<std::string> targets;
    for (const auto& request : site.Requests()) targets.push_back(request.target);
    return targets;
  }
};

TEST_F(BannerTest, TheMinuteChoosesTheSlotPictureFirst) {
  const struct {
    QTime time;
    const char* slot;
  } rows[] = {{QTime(10, 2, 59), "0"},   {QTime(10, 3, 0), "1"}, {QTime(10, 57, 0), "19"},
              {QTime(10, 59, 59), "19"}, {QTime(11, 0, 0), "0"}, {QTime(23, 31, 30), "10"}};
  for (int slot = 0; slot < 20; ++slot) AnswerSlot(slot, SolidJpeg(4, 4), "http://link/" + std::to_string(slot));
  for (const auto& r : rows) {
    clock.Set(QDateTime(QDate(2026, 3, 1), r.time));
    const std::size_t before = site.Requests().size();
    ASSERT_EQ(TickFailure(), "");
    const std::string slot = r.slot;
    const std::vector<std::string> all = Targets();
    EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
              (std::vector<std::string>{"/cm/tavren/" + slot + ".jpg", "/cm/tavren/cm" + slot + ".txt"}));
    EXPECT_EQ(banner.NoticeUrl(), "http://link/" + slot);
  }
}

TEST_F(BannerTest, ATickShowsThePictureWritesTheFileAndKeepsTheLinkUnchanged) {
  const std::string picture = SolidJpeg(300, 90);
  const std::string link = Sjis("http://127.0.0.1/お知らせ.htm\r\n");
  AnswerSlot(0, picture, link);
  ASSERT_EQ(TickFailure(), "");
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->Size(), QSize(300, 90));
  EXPECT_EQ(file->bytes, picture);
  EXPECT_EQ(banner.NoticeUrl(), link);  // the CR LF stays
}

TEST_F(BannerTest, FailuresLeaveWhatTheyLeave) {
  const std::string html = "<html><body>Not a picture</body></html>";
  const std::string newPicture = SolidJpeg(16, 16);
  struct Row {
    const char* name;
    std::string pictureResponse;
    std::string linkResponse;
    std::optional<std::string> createFailure;
    std::optional<std::string> readFailure;
    std::string message;  // UTF-8
    bool newPictureShown;
    std::size_t fetches;
    std::string fileAfter;
  };
  const std::string notFound = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found";
  const Row rows[] = {
      {"404 picture", notFound, MemorySite::Ok("new-link"), {}, {}, "HTTP/1.1 404 Not Found", false, 1, ""},
      {"html picture", MemorySite::Ok(html), MemorySite::Ok("new-link"), {}, {}, "JPEG エラー #53", false, 1, html},
      {"302 picture",
       "HTTP/1.1 302 Found\r\nLocation: /x.jpg\r\nContent-Length: 0\r\n\r\n",
       MemorySite::Ok("new-link"),
       {},
       {},
       "HTTP/1.1 302 Found",
       false,
       1,
       ""},
      {"404 link", MemorySite::Ok(newPicture), notFound, {}, {}, "HTTP/1.1 404 Not Found", true, 2, newPicture},
      {"file not created",
       MemorySite::Ok(newPicture),
       MemorySite::Ok("new-link"),
       Sjis("作成できません"),
       {},
       "作成できません",
       false,
       0,
       "old-file"},
      {"file not read back",
       MemorySite::Ok(newPicture),
       MemorySite::Ok("new-link"),
       {},
       Sjis("開けません"),
       "開けません",
       false,
       1,
       newPicture},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    clock.SetTime(10, 0, 0);
    AnswerSlot(0, SolidJpeg(8, 8), "old-link");
    ASSERT_EQ(TickFailure(), "");
    const std::string oldPicture = shown->Bytes();
    file->bytes = "old-file";

    clock.SetTime(10, 3, 0);
    site.Answer("/cm/tavren/1.jpg", r.pictureResponse);
    site.Answer("/cm/tavren/cm1.txt", r.linkResponse);
    file->createFailure = r.createFailure;
    file->readFailure = r.readFailure;
    const std::size_t before = site.Requests().size();
    EXPECT_EQ(TickFailure(), Sjis(r.message.c_str()));
    EXPECT_EQ(shown->Bytes() != oldPicture, r.newPictureShown);
    EXPECT_EQ(banner.NoticeUrl(), "old-link");
    EXPECT_EQ(site.Requests().size(), before + r.fetches);
    EXPECT_EQ(file->bytes, r.fileAfter);
    file->createFailure.reset();
    file->readFailure.reset();
  }
}

TEST_F(BannerTest, ZeroBytesLoadAsAnEmptyPicture) {
  AnswerSlot(0, "", "second");
  ASSERT_EQ(TickFailure(), "");
  ASSERT_TRUE(shown.has_value());
  EXPECT_TRUE(shown->IsEmpty());
  EXPECT_EQ(banner.NoticeUrl(), "second");
}

TEST_F(BannerTest, TheCookieGoesBackWithLaterFetches) {
  const std::string picture = SolidJpeg(4, 4);
  site.Answer("/cm/tavren/0.jpg", "HTTP/1.1 200 OK\r\nSet-Cookie: visitor=paw42; path=/\r\nContent-Length: " +
                                      std::to_string(picture.size()) + "\r\n\r\n" + picture);
  site.Answer("/cm/tavren/cm0.txt", MemorySite::Ok("link"));
  ASSERT_EQ(TickFailure(), "");
  ASSERT_EQ(TickFailure(), "");
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].head.find("Cookie:"), std::string::npos);
  for (std::size_t i = 1; i < requests.size(); ++i) {
    EXPECT_NE(requests[i].head.find("Cookie: visitor=paw42"), std::string::npos) << requests[i].head;
  }
}

TEST_F(BannerTest, APictureCutShortByTheServerStillCounts) {
  QImage busy(256, 256, QImage::Format_RGB32);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) busy.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * y) % 256, (x ^ y) % 256));
  }
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  busy.save(&buffer, "JPG");
  const std::string half = encoded.toStdString().substr(0, static_cast<std::size_t>(encoded.size()) / 2);
  site.Answer("/cm/tavren/0.jpg", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                                      std::to_string(encoded.size()) + "\r\n\r\n" + half);
  site.Answer("/cm/tavren/cm0.txt", MemorySite::Ok("after-cut"));
  ASSERT_EQ(TickFailure(), "");
  EXPECT_EQ(file->bytes, half);
  ASSERT_TRUE(shown.has_value());
  EXPECT_EQ(shown->Size(), QSize(256, 256));
  EXPECT_EQ(banner.NoticeUrl(), "after-cut");
}

TEST_F(BannerTest, StartRunsTheTimerAtTheProgramsInterval) {
  EXPECT_FALSE(timer->IsActive());
  int ticks = 0;
  banner.Start([&] { ++ticks; });
  EXPECT_EQ(timer->IntervalMs(), 90000);
  timer->Fire();
  EXPECT_EQ(ticks, 1);
  EXPECT_TRUE(site.Requests().empty());  // the tick is the window's to dispatch
}

}  // namespace
}  // namespace tavren::test

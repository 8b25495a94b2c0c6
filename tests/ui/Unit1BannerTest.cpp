// The banner tick against a loopback site: the slot from the clock, the local
// banner file, the picture, the link, what each failure leaves behind, the
// timer's rhythm and the press on the banner.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "FakeHttpServer.h"
#include "Unit1TestSupport.h"
#include "ui/PictureBox.h"

namespace tavren::test {
namespace {

std::string JpegOf(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPG");
  return bytes.toStdString();
}

std::string ReadFile(const char* name) {
  QFile file(QString::fromLatin1(name));
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

std::vector<std::string> Targets(const FakeHttpServer& server) {
  std::vector<std::string> targets;
  for (const auto& request : server.Requests()) targets.push_back(request.target);
  return targets;
}

// Every banner test runs in a directory of its own, since the banner file is
// relative to the current directory.
struct BannerTest : ::testing::Test {
  QTemporaryDir dir;
  QString previousDirectory = QDir::currentPath();
  FakeHttpServer site;
  std::unique_ptr<MainWindowUnderTest> w;

  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    w = std::make_unique<MainWindowUnderTest>(site.Root());
    w->clock.SetTime(10, 0, 0);
  }
  void TearDown() override {
    w.reset();
    site.Stop();
    QDir::setCurrent(previousDirectory);
  }
  std::string BannerPath() const { return QDir(dir.path()).filePath(QStringLiteral("tavren.jpg")).toStdString(); }
  void AnswerSlot(int slot, const std::string& picture, const std::string& link) {
    site.Answer("/cm/tavren/" + std::to_string(slot) + ".jpg", FakeHttpServer::Ok(picture));
    site.Answer("/cm/tavren/cm" + std::to_string(slot) + ".txt", FakeHttpServer::Ok(link));
  }
  const JpegPicture* Shown() const { return w->form->Image1().Picture(); }
};

TEST_F(BannerTest, TheMinuteChoosesTheSlot) {
  struct Row {
    QTime time;
    int slot;
  };
  const Row rows[] = {
      {QTime(10, 2, 59), 0},   {QTime(10, 3, 0), 1}, {QTime(10, 57, 0), 19},
      {QTime(10, 59, 59), 19}, {QTime(11, 0, 0), 0}, {QTime(23, 31, 30), 10},
  };
  for (int slot = 0; slot < 20; ++slot) AnswerSlot(slot, JpegOf(4, 4, Qt::red), "http://link/" + std::to_string(slot));
  for (const Row& r : rows) {
    w->clock.Set(QDateTime(QDate(2026, 3, 1), r.time));
    const std::size_t before = site.Requests().size();
    w->form->Timer1Timer();
    const std::vector<std::string> targets = Targets(site);
    ASSERT_EQ(targets.size(), before + 2) << r.time.toString().toStdString();
    const std::string slot = std::to_string(r.slot);
    // The picture first, then its link.
    EXPECT_EQ(targets[before], "/cm/tavren/" + slot + ".jpg");
    EXPECT_EQ(targets[before + 1], "/cm/tavren/cm" + slot + ".txt");
    EXPECT_EQ(w->form->NoticeUrl(), "http://link/" + slot);
  }
  EXPECT_TRUE(w->dialogs.errorBoxes.isEmpty()) << w->dialogs.errorBoxes.join(QStringLiteral("|")).toStdString();
}

TEST_F(BannerTest, ATickShowsThePictureAndKeepsTheLinkUnchanged) {
  const std::string picture = JpegOf(300, 90, Qt::blue);
  const std::string link = Sjis("http://127.0.0.1/お知らせ.htm\r\n");
  AnswerSlot(0, picture, link);
  EXPECT_EQ(Shown(), nullptr);
  w->form->Timer1Timer();
  EXPECT_TRUE(w->dialogs.errorBoxes.isEmpty()) << w->dialogs.errorBoxes.join(QStringLiteral("|")).toStdString();
  ASSERT_NE(Shown(), nullptr);
  EXPECT_EQ(Shown()->Size(), QSize(300, 90));
  EXPECT_EQ(ReadFile("tavren.jpg"), picture);
  EXPECT_EQ(w->form->NoticeUrl(), link);  // the CR LF stays

  // Any button pressed on the banner opens the link as it is.
  const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
  for (Qt::MouseButton button : buttons) {
    w->web.navigated.clear();
    QTest::mousePress(&w->form->Image1(), button, Qt::ShiftModifier, QPoint(3, 3));
    EXPECT_EQ(w->web.navigated, QStringList{Qs("http://127.0.0.1/お知らせ.htm\r\n")}) << button;
  }
}

TEST_F(BannerTest, APressBeforeTheFirstTickOpensAnEmptyAddress) {
  w->web.navigated.clear();
  QTest::mousePress(&w->form->Image1(), Qt::LeftButton);
  EXPECT_EQ(w->web.navigated, QStringList{QString()});
}

TEST_F(BannerTest, FailuresLeaveWhatTheTableSays) {
  const std::string oldPicture = JpegOf(8, 8, Qt::green);
  const std::string html = "<html><body>Not a picture</body></html>";
  struct Row {
    const char* name;
    std::string pictureResponse;
    std::string linkResponse;
    QString errorBox;
    bool newPictureShown;
    bool linkFetched;
    std::string fileAfter;
  };
  const Row rows[] = {
      {"404 picture", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found", FakeHttpServer::Ok("new-link"),
       QStringLiteral("HTTP/1.1 404 Not Found."), false, false, ""},
      {"html picture", FakeHttpServer::Ok(html), FakeHttpServer::Ok("new-link"), Qs("JPEG エラー #53."), false, false,
       html},
      {"302 picture", "HTTP/1.1 302 Found\r\nLocation: /x.jpg\r\nContent-Length: 0\r\n\r\n",
       FakeHttpServer::Ok("new-link"), QStringLiteral("HTTP/1.1 302 Found."), false, false, ""},
      {"404 link", FakeHttpServer::Ok(JpegOf(16, 16, Qt::yellow)),
       "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", QStringLiteral("HTTP/1.1 404 Not Found."), true, true,
       JpegOf(16, 16, Qt::yellow)},
  };
  for (const Row& r : rows) {
    // A good tick first, so there is an old picture and an old link to keep.
    w->clock.SetTime(10, 0, 0);
    AnswerSlot(0, oldPicture, "old-link");
    w->form->Timer1Timer();
    ASSERT_NE(Shown(), nullptr);
    ASSERT_EQ(Shown()->Bytes(), oldPicture);
    w->dialogs.errorBoxes.clear();

    w->clock.SetTime(10, 3, 0);
    site.Answer("/cm/tavren/1.jpg", r.pictureResponse);
    site.Answer("/cm/tavren/cm1.txt", r.linkResponse);
    const std::size_t before = site.Requests().size();
    w->form->Timer1Timer();
    EXPECT_EQ(w->dialogs.errorBoxes, QStringList{r.errorBox}) << r.name;
    ASSERT_NE(Shown(), nullptr) << r.name;
    EXPECT_EQ(Shown()->Bytes() != oldPicture, r.newPictureShown) << r.name;
    EXPECT_EQ(w->form->NoticeUrl(), "old-link") << r.name;
    EXPECT_EQ(site.Requests().size(), before + (r.linkFetched ? 2 : 1)) << r.name;
    EXPECT_EQ(ReadFile("tavren.jpg"), r.fileAfter) << r.name;
  }
}

TEST_F(BannerTest, AZeroBytePictureFailsOnceWhenFirstDrawn) {
  AnswerSlot(0, JpegOf(8, 8, Qt::red), "first");
  w->form->Timer1Timer();
  w->form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w->form.get()));

  AnswerSlot(0, "", "second");
  w->form->Timer1Timer();
  EXPECT_TRUE(w->dialogs.errorBoxes.isEmpty());  // loading zero bytes is fine
  EXPECT_EQ(w->form->NoticeUrl(), "second");
  ASSERT_NE(Shown(), nullptr);
  EXPECT_TRUE(Shown()->IsEmpty());
  EXPECT_EQ(ReadFile("tavren.jpg"), "");

  w->form->repaint();
  QTRY_COMPARE(w->dialogs.errorBoxes, QStringList{Qs("JPEG エラー #42.")});
  for (int i = 0; i < 3; ++i) {
    w->form->Image1().repaint();
    QTest::qWait(20);
  }
  EXPECT_EQ(w->dialogs.errorBoxes.size(), 1);
}

TEST_F(BannerTest, TheWindowsCookieGoesBackWithItsLaterFetches) {
  const std::string picture = JpegOf(4, 4, Qt::red);
  site.Answer("/cm/tavren/0.jpg", "HTTP/1.1 200 OK\r\nSet-Cookie: visitor=paw42; path=/\r\nContent-Length: " +
                                      std::to_string(picture.size()) + "\r\n\r\n" + picture);
  site.Answer("/cm/tavren/cm0.txt", FakeHttpServer::Ok("link"));
  w->form->Timer1Timer();
  w->form->Timer1Timer();
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].head.find("Cookie:"), std::string::npos);
  for (std::size_t i = 1; i < requests.size(); ++i) {
    EXPECT_NE(requests[i].head.find("Cookie: visitor=paw42"), std::string::npos) << requests[i].head;
  }
}

TEST_F(BannerTest, ABannerFileThatCannotBeCreatedStopsTheTick) {
  AnswerSlot(0, JpegOf(4, 4, Qt::red), "link");
  struct Row {
    const char* name;
    std::function<void()> block;    // makes tavren.jpg uncreatable
    std::function<void()> unblock;  // undoes it
    const char* reason;
  };
  int lockFd = -1;
  const Row rows[] = {
      {"a folder in the way", [] { QDir().mkdir(QStringLiteral("tavren.jpg")); },
       [] { QDir().rmdir(QStringLiteral("tavren.jpg")); }, "アクセスが拒否されました"},
      {"held by another program",
       [&] {
         QFile seed(QStringLiteral("tavren.jpg"));
         seed.open(QIODevice::WriteOnly);
         seed.write("held bytes");
         seed.close();
         lockFd = ::open("tavren.jpg", O_RDONLY | O_CLOEXEC);
         ::flock(lockFd, LOCK_EX);
       },
       [&] {
         ::close(lockFd);
         QFile::remove(QStringLiteral("tavren.jpg"));
       },
       "プロセスはファイルにアクセスできません。別のプロセスが使用中です"},
  };
  for (const Row& r : rows) {
    r.block();
    const std::size_t before = site.Requests().size();
    w->dialogs.errorBoxes.clear();
    w->form->Timer1Timer();
    const QString expected = Qs("ファイル \"") + QString::fromStdString(BannerPath()) + Qs("\" を作成できません。") +
                             Qs(r.reason) + QLatin1Char('.');
    EXPECT_EQ(w->dialogs.errorBoxes, QStringList{expected}) << r.name;
    EXPECT_EQ(site.Requests().size(), before) << r.name;  // nothing fetched
    EXPECT_EQ(Shown(), nullptr) << r.name;
    if (QByteArray(r.name) == "held by another program") {
      EXPECT_EQ(ReadFile("tavren.jpg"), "held bytes");  // not emptied
    }
    r.unblock();
  }
  // Once the way is clear the next tick works.
  w->dialogs.errorBoxes.clear();
  w->form->Timer1Timer();
  EXPECT_TRUE(w->dialogs.errorBoxes.isEmpty());
  EXPECT_NE(Shown(), nullptr);
}

TEST_F(BannerTest, TheFirstTickComesOneIntervalAfterCreation) {
  w.reset();
  w = std::make_unique<MainWindowUnderTest>(site.Root(), 400);
  QTest::qWait(200);
  EXPECT_TRUE(site.Requests().empty());
  EXPECT_EQ(w->form->Timer1().interval(), 400);
  QTRY_VERIFY_WITH_TIMEOUT(!site.Requests().empty(), 3000);
  EXPECT_EQ(site.Requests().front().target, "/cm/tavren/0.jpg");
}

TEST_F(BannerTest, TicksNeverComeEarly) {
  // A coarse timer may fire up to 5 % early; tick n must not come before n
  // whole intervals have passed.
  w.reset();
  QElapsedTimer sinceCreation;
  sinceCreation.start();
  w = std::make_unique<MainWindowUnderTest>(site.Root(), 300);
  std::vector<qint64> ticks;
  QObject::connect(&w->form->Timer1(), &QTimer::timeout, [&] { ticks.push_back(sinceCreation.elapsed()); });
  QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 4, 5000);
  for (std::size_t n = 0; n < ticks.size(); ++n) EXPECT_GE(ticks[n], 300 * static_cast<qint64>(n + 1)) << n;
}

TEST_F(BannerTest, MissedTicksAreNotMadeUpAndFailuresNeverStopTheTimer) {
  w.reset();
  w = std::make_unique<MainWindowUnderTest>(site.Root(), 100);
  // The GUI thread is busy for six intervals: one tick is pending, not six.
  QThread::msleep(650);
  QTest::qWait(40);
  EXPECT_EQ(w->dialogs.errorBoxes.size(), 1);  // every tick fails: nothing is answered
  // Failed ticks leave the timer running.
  QTRY_VERIFY_WITH_TIMEOUT(w->dialogs.errorBoxes.size() >= 3, 3000);
  EXPECT_TRUE(w->form->Timer1().isActive());
  EXPECT_EQ(w->dialogs.errorBoxes.front(), QStringLiteral("HTTP/1.1 404 Not Found."));
}

TEST_F(BannerTest, TheTimerIsArmedBeforeTheStartUpPause) {
  w.reset();
  // Creation pauses for three intervals; the timer was already running, so a
  // tick is due the moment the window is made.
  w = std::make_unique<MainWindowUnderTest>(site.Root(), 150, 450);
  QTest::qWait(60);
  EXPECT_EQ(w->dialogs.errorBoxes.size(), 1);
}

TEST_F(BannerTest, APictureCutShortByTheServerStillCounts) {
  // A busy picture, so that the first half holds the whole header and some
  // image data.
  QImage busy(256, 256, QImage::Format_RGB32);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) busy.setPixel(x, y, qRgb((x * 7 + y * 13) % 256, (x * y) % 256, (x ^ y) % 256));
  }
  QByteArray encoded;
  QBuffer buffer(&encoded);
  buffer.open(QIODevice::WriteOnly);
  busy.save(&buffer, "JPG");
  const std::string picture = encoded.toStdString();
  const std::string half = picture.substr(0, picture.size() / 2);
  site.Answer("/cm/tavren/0.jpg", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                                      std::to_string(picture.size()) + "\r\n\r\n" + half);
  site.Answer("/cm/tavren/cm0.txt", FakeHttpServer::Ok("after-cut"));
  w->form->Timer1Timer();
  EXPECT_TRUE(w->dialogs.errorBoxes.isEmpty()) << w->dialogs.errorBoxes.join(QStringLiteral("|")).toStdString();
  EXPECT_EQ(ReadFile("tavren.jpg"), half);
  ASSERT_NE(Shown(), nullptr);
  EXPECT_EQ(Shown()->Bytes(), half);
  EXPECT_EQ(Shown()->Size(), QSize(256, 256));
  EXPECT_EQ(w->form->NoticeUrl(), "after-cut");
}

TEST(BannerDefaults, TheProgramsIntervalIsNinetySeconds) {
  FakeWebView view;
  FakeDialogs dialogs;
  FakeClock clock;
  TForm1 form(TForm1Parts{view, dialogs, clock, "http://127.0.0.1:9/", 0});
  EXPECT_EQ(form.Timer1().interval(), 90000);
  EXPECT_TRUE(form.Timer1().isActive());
  EXPECT_TRUE(form.NoticeUrl().empty());
}

}  // namespace
}  // namespace tavren::test

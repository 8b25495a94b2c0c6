// The main window's side of the banner: the timer started before the start-up
// pause, each tick's failure in the error box with the timer going on, the
// picture in Image1 (a zero-byte one failing once when drawn) and the press on
// the banner.

#include <gtest/gtest.h>

#include <QTest>

#include "JpegSamples.h"
#include "Unit1TestSupport.h"
#include "ui/PictureBox.h"

namespace tavren::test {
namespace {

void AnswerSlot0(MemorySite& site, const std::string& picture, const std::string& link) {
  site.Answer("/cm/tavren/0.jpg", MemorySite::Ok(picture));
  site.Answer("/cm/tavren/cm0.txt", MemorySite::Ok(link));
}

TEST(MainWindowBanner, TheTimerRunsEveryNinetySecondsFromBeforeThePause) {
  bool startedBeforePause = false;
  MainWindowUnderTest w(MemorySite::Root(), 4500, [&](MainWindowUnderTest& t) {
    t.web.onNavigate = [&](const QString&) { startedBeforePause = t.timer->IsActive() && !t.clock.pauses.empty(); };
  });
  EXPECT_TRUE(startedBeforePause);
  EXPECT_EQ(w.form->Timer1().IntervalMs(), 90000);
  EXPECT_TRUE(w.site.Requests().empty());  // the first tick comes one interval later
  EXPECT_TRUE(w.form->NoticeUrl().empty());
}

TEST(MainWindowBanner, EachFailingTickShowsItsBoxAndTheNextTickStillRuns) {
  MainWindowUnderTest w;
  w.timer->Fire();
  w.timer->Fire();
  EXPECT_EQ(w.dialogs.errorBoxes,
            (QStringList{QStringLiteral("HTTP/1.1 404 Not Found."), QStringLiteral("HTTP/1.1 404 Not Found.")}));
  EXPECT_TRUE(w.timer->IsActive());
  w.bannerFile->createFailure = Sjis("ファイル \"/x/tavren.jpg\" を作成できません。アクセスが拒否されました");
  w.dialogs.errorBoxes.clear();
  w.timer->Fire();
  EXPECT_EQ(w.dialogs.errorBoxes,
            QStringList{Qs("ファイル \"/x/tavren.jpg\" を作成できません。アクセスが拒否されました.")});
}

TEST(MainWindowBanner, APressOpensTheLinkAsItIsWithAnyButton) {
  MainWindowUnderTest w;
  QTest::mousePress(&w.form->Image1(), Qt::LeftButton);
  EXPECT_EQ(w.web.navigated.last(), QString());  // before the first tick: an empty address

  AnswerSlot0(w.site, SolidJpeg(300, 90), Sjis("http://127.0.0.1/お知らせ.htm\r\n"));
  w.timer->Fire();
  ASSERT_NE(w.form->Image1().Picture(), nullptr);
  EXPECT_EQ(w.form->Image1().Picture()->Size(), QSize(300, 90));
  for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    w.web.navigated.clear();
    QTest::mousePress(&w.form->Image1(), button, Qt::ShiftModifier, QPoint(3, 3));
    EXPECT_EQ(w.web.navigated, QStringList{Qs("http://127.0.0.1/お知らせ.htm\r\n")}) << button;
  }
}

TEST(MainWindowBanner, AZeroBytePictureFailsOnceWhenFirstDrawn) {
  MainWindowUnderTest w;
  AnswerSlot0(w.site, SolidJpeg(8, 8), "first");
  w.timer->Fire();
  w.form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.form.get()));

  AnswerSlot0(w.site, "", "second");
  w.timer->Fire();
  EXPECT_TRUE(w.dialogs.errorBoxes.isEmpty());  // loading zero bytes is fine
  ASSERT_NE(w.form->Image1().Picture(), nullptr);
  EXPECT_TRUE(w.form->Image1().Picture()->IsEmpty());

  w.form->repaint();
  QTRY_COMPARE(w.dialogs.errorBoxes, QStringList{Qs("JPEG エラー #42.")});
  for (int i = 0; i < 3; ++i) w.form->Image1().repaint();
  QCoreApplication::processEvents();
  EXPECT_EQ(w.dialogs.errorBoxes.size(), 1);
}

}  // namespace
}  // namespace tavren::test

// The notice window: its layout, the line-break rule, and its one fetch
// from an in-memory site.

#include "ui/Unit2.h"

#include "FakeDialogs.h"
#include "MemorySite.h"
#include "Sjis.h"
#include "base/CodePage.h"
#include "ui/Fonts.h"
#include "ui/PictureBox.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include <string>

namespace tavren {
namespace {

using test::MemorySite;
using test::Sjis;

const std::string kNoticeTarget = "/cm/kelm/kelmmsg.txt";

int VisibleNoticeWindows() {
  int count = 0;
  for (const QWidget* window : QApplication::topLevelWidgets()) {
    if (qobject_cast<const TForm2*>(window) != nullptr && window->isVisible()) ++count;
  }
  return count;
}

TEST(NormaliseLineBreaksTest, EveryBreakBecomesCrLf) {
  struct Row {
    const char* what;
    std::string in;
    std::string expected;
  };
  const Row rows[] = {
      {"empty", "", ""},
      {"no break", "abc", "abc"},
      {"LF", "a\nb", "a\r\nb"},
      {"CR", "a\rb", "a\r\nb"},
      {"CR LF stays", "a\r\nb", "a\r\nb"},
      {"LF CR is two breaks", "a\n\rb", "a\r\n\r\nb"},
      {"CR CR LF", "a\r\r\nb", "a\r\n\r\nb"},
      {"LF LF", "\n\n", "\r\n\r\n"},
      {"trailing CR", "a\r", "a\r\n"},
      {"leading LF", "\na", "\r\na"},
      {"CR LF LF", "\r\n\n", "\r\n\r\n"},
      {"NUL kept", std::string("a\0b\n", 4), std::string("a\0b\r\n", 5)},
      {"two-byte characters untouched", Sjis("お知らせ\n"), Sjis("お知らせ\r\n")},
      // "ソ" is 0x83 0x5C: its trail byte is a backslash and must stay with it.
      {"trail byte 0x5C", Sjis("ソ\rソ"), Sjis("ソ\r\nソ")},
      // A lead byte takes the next byte whatever it is, so 0x81 0x0A is one
      // (invalid) character and its 0x0A is not a break.
      {"byte after a lead byte is never a break", "\x81\n\n", "\x81\n\r\n"},
      {"byte after a lead byte is never a CR", "\xE0\r", "\xE0\r"},
      {"lone lead byte at the end", "a\n\x81", "a\r\n\x81"},
      {"half-width katakana are single bytes", "\xB1\n\xB2", "\xB1\r\n\xB2"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(NormaliseLineBreaks(row.in), row.expected) << row.what;
  }
}

class TForm2Test : public ::testing::Test {
 protected:
  // A window fetching from the in-memory site.
  std::unique_ptr<TForm2> MakeWindow(FetcherLimits limits = {}) {
    return std::make_unique<TForm2>(dialogs_, MemorySite::Root(), limits, server_.NewConnector());
  }

  MemorySite server_;
  FakeDialogs dialogs_;
};

TEST_F(TForm2Test, LayoutMatchesTheStoredForm) {
  server_.Answer(kNoticeTarget, MemorySite::Ok(Sjis("ようこそ")));
  const auto form = MakeWindow();

  EXPECT_TRUE(form->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(form->isWindow());
  EXPECT_EQ(form->size(), QSize(575, 313));
  EXPECT_EQ(form->palette().color(QPalette::Window), QColor(128, 128, 0));
  EXPECT_EQ(form->font().pixelSize(), 11);
  EXPECT_EQ(form->font().families().value(0), TahomaFamily());

  struct Row {
    QWidget* control;
    const char* name;
    QRect geometry;
  };
  const Row rows[] = {
      {&form->Panel1(), "Panel1", {0, 0, 575, 313}},   {&form->Label2(), "Label2", {48, 204, 216, 37}},
      {&form->Label1(), "Label1", {40, 254, 212, 19}}, {&form->Image1(), "Image1", {56, 64, 185, 129}},
      {&form->Memo1(), "Memo1", {296, 10, 265, 281}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_NE(row.control, nullptr);
    EXPECT_EQ(row.control->objectName(), QString::fromLatin1(row.name));
    EXPECT_EQ(row.control->geometry(), row.geometry);
    EXPECT_TRUE(row.control->isVisible());
    // Everything but the panel lies on the panel.
    EXPECT_EQ(row.control->parentWidget(),
              row.control == &form->Panel1() ? static_cast<QWidget*>(form.get()) : &form->Panel1());
  }

  struct FontRow {
    QWidget* control;
    const char* name;
    QString family;
    int pixelSize;
  };
  const FontRow fonts[] = {
      {&form->Label2(), "Label2", MarumojiFamily(), 36},
      {&form->Label1(), "Label1", TahomaFamily(), 16},
      {&form->Memo1(), "Memo1", MinchoFamily(), 15},
  };
  for (const FontRow& row : fonts) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.control->font().families().value(0), row.family);
    EXPECT_EQ(row.control->font().pixelSize(), row.pixelSize);
  }

  EXPECT_EQ(form->Label2().text(), QStringLiteral("Ｔａｖｒｅｎ"));
  EXPECT_EQ(form->Label2().palette().color(QPalette::WindowText), QColor(255, 251, 240));
  EXPECT_EQ(form->Label1().text(), QStringLiteral("(C) 2026 肉球工房"));
  EXPECT_EQ(form->Label1().palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_EQ(form->Label1().palette().color(QPalette::Window), QColor(128, 128, 0));
  EXPECT_EQ(form->Panel1().palette().color(QPalette::Window), QColor(128, 128, 0));

  const QPlainTextEdit* memo = &form->Memo1();
  EXPECT_TRUE(memo->isReadOnly());
  EXPECT_EQ(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
  EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  // The memo is the window's only stop in the tab order.
  EXPECT_EQ(form->focusWidget(), memo);
  EXPECT_EQ(form->Label1().focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(form->Label2().focusPolicy(), Qt::NoFocus);
}

TEST_F(TForm2Test, StoredPictureShowsItsTopLeftUnscaled) {
  const auto form = MakeWindow();
  const JpegPicture* picture = form->Image1().Picture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Size(), QSize(339, 221));

  // What the box shows is the picture's own top-left 185 x 129, pixel for
  // pixel: neither scaled to fit nor centred.
  QFile stored(QStringLiteral(":/images/notice.jpg"));
  ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
  const QByteArray bytes = stored.readAll();
  JpegPicture reference =
      JpegPicture::FromBytes(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  const QImage expected = reference.Visible(QSize(185, 129)).convertToFormat(QImage::Format_RGB32);
  const QImage shown = form->Image1().grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(shown.size(), QSize(185, 129));
  ASSERT_EQ(expected.size(), QSize(185, 129));
  int differing = 0;
  for (int y = 0; y < shown.height(); ++y) {
    for (int x = 0; x < shown.width(); ++x) {
      if (shown.pixel(x, y) != expected.pixel(x, y)) ++differing;
    }
  }
  EXPECT_EQ(differing, 0);
  // And that part is the painting, not the white beyond it.
  EXPECT_NE(expected.pixel(10, 10), qRgb(255, 255, 255));
}

TEST_F(TForm2Test, ShowsTheFetchedTextWithItsLines) {
  struct Row {
    const char* what;
    std::string body;
    QString memoText;
    int lines;
  };
  const Row rows[] = {
      {"LF lines", Sjis("お知らせ\n新しいガイドを公開しました\n"),
       QStringLiteral("お知らせ\r\n新しいガイドを公開しました\r\n"), 3},
      {"CR LF lines", Sjis("一行目\r\n二行目"), QStringLiteral("一行目\r\n二行目"), 2},
      {"CR lines", Sjis("一\r二\r三"), QStringLiteral("一\r\n二\r\n三"), 3},
      {"table mark", Sjis("表ソ十"), QStringLiteral("表ソ十"), 1},
      {"empty body leaves one empty line", "", QString(), 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    server_.Answer(kNoticeTarget, MemorySite::Ok(row.body));
    const auto form = MakeWindow();
    EXPECT_EQ(form->MemoText(), row.memoText);
    EXPECT_EQ(form->Memo1().document()->blockCount(), row.lines);
    EXPECT_TRUE(form->isVisible());
  }
  EXPECT_TRUE(dialogs_.errorBoxes.isEmpty()) << dialogs_.errorBoxes.join(QStringLiteral(" | ")).toStdString();
  for (const auto& request : server_.Requests()) EXPECT_EQ(request.target, kNoticeTarget);
}

TEST_F(TForm2Test, FailedFetchShowsTheErrorAndStillShowsTheWindow) {
  struct Row {
    const char* what;
    std::string root;
    const MemorySite& site;
    QString errorBox;
  };
  server_.Answer(kNoticeTarget, "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot here!");
  server_.Answer("/gone/cm/kelm/kelmmsg.txt", "HTTP/1.1 302 Found\r\nLocation: /\r\nContent-Length: 0\r\n\r\n");
  MemorySite refusing;
  refusing.Refuse();
  const Row rows[] = {
      {"not found", MemorySite::Root(), server_, QStringLiteral("HTTP/1.1 404 Not Found.")},
      {"redirect not followed", MemorySite::Root() + "gone/", server_, QStringLiteral("HTTP/1.1 302 Found.")},
      // Ends in ".", so no second one is added.
      {"connection refused", MemorySite::Root(), refusing,
       QStringLiteral("Socket Error # 10061\r\nConnection refused.")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    dialogs_.errorBoxes.clear();
    int visibleAtError = -1;
    dialogs_.onShow = [&](const QString&) { visibleAtError = VisibleNoticeWindows(); };
    TForm2 form(dialogs_, row.root, {}, row.site.NewConnector());
    EXPECT_EQ(dialogs_.errorBoxes, QStringList{row.errorBox});
    // The box comes during creation; the window shows after it.
    EXPECT_EQ(visibleAtError, 0);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.MemoText(), QString());
    EXPECT_EQ(form.Memo1().document()->blockCount(), 1);
  }
}

TEST_F(TForm2Test, EachWindowFetchesOnItsOwnConnection) {
  server_.Answer(kNoticeTarget, MemorySite::Ok(Sjis("お知らせ")));
  const auto first = MakeWindow();
  const auto second = MakeWindow();
  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].connection, 0);
  EXPECT_EQ(requests[1].connection, 1);
  for (const auto& request : requests) {
    EXPECT_EQ(request.target, kNoticeTarget);
    EXPECT_NE(request.head.find("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"), std::string::npos);
  }
  EXPECT_EQ(first->MemoText(), QStringLiteral("お知らせ"));
  EXPECT_EQ(second->MemoText(), QStringLiteral("お知らせ"));
}

TEST_F(TForm2Test, TextBeyondTheMemoLimitIsRefused) {
  struct Row {
    const char* what;
    std::string body;
    bool fits;
  };
  const Row rows[] = {
      {"exactly the limit", std::string(kMemoLimit, 'a'), true},
      {"one byte over", std::string(kMemoLimit + 1, 'a'), false},
      // Each LF grows into CR LF, so half the limit in LFs no longer fits.
      {"bare LFs that double past the limit", std::string(kMemoLimit / 2 + 1, '\n'), false},
      {"CR LFs exactly at the limit",
       [] {
         std::string s;
         for (std::size_t i = 0; i < kMemoLimit / 2; ++i) s += "\r\n";
         return s;
       }(),
       true},
  };
  FetcherLimits limits;
  limits.maxTextBody = 4 * kMemoLimit;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    dialogs_.errorBoxes.clear();
    server_.Answer(kNoticeTarget, MemorySite::Ok(row.body));
    const auto form = MakeWindow(limits);
    if (row.fits) {
      EXPECT_TRUE(dialogs_.errorBoxes.isEmpty());
      EXPECT_FALSE(form->MemoText().isEmpty());
    } else {
      EXPECT_EQ(dialogs_.errorBoxes, QStringList{QStringLiteral("文字列の大きさがメモの制限を越えました.")});
      EXPECT_EQ(form->MemoText(), QString());
    }
    EXPECT_TRUE(form->isVisible());
  }
}

TEST_F(TForm2Test, SameTextIsNotSetAgain) {
  server_.Answer(kNoticeTarget, MemorySite::Ok(Sjis("一行目\n二行目")));
  const auto form = MakeWindow();
  QTextCursor cursor = form->Memo1().textCursor();
  cursor.movePosition(QTextCursor::End);
  form->Memo1().setTextCursor(cursor);
  const int end = form->Memo1().textCursor().position();
  ASSERT_GT(end, 0);

  // Setting the text anew would put the cursor back at the start.
  form->SetMemoText(Sjis("一行目\r\n二行目"));
  EXPECT_EQ(form->Memo1().textCursor().position(), end);
  form->SetMemoText(Sjis("一行目\r\n三行目"));
  EXPECT_EQ(form->Memo1().textCursor().position(), 0);
  EXPECT_EQ(form->MemoText(), QStringLiteral("一行目\r\n三行目"));
}

TEST_F(TForm2Test, EachWindowIsShownCentredAndActive) {
  server_.Answer(kNoticeTarget, MemorySite::Ok("x"));
  const auto form = MakeWindow();
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->pos(), screen.topLeft() +
                             QPoint(std::max(0, (screen.width() - 575) / 2), std::max(0, (screen.height() - 313) / 2)));
  // Activation goes through the windowing system and arrives as an event.
  EXPECT_TRUE(QTest::qWaitForWindowActive(form.get(), 2000));
}

}  // namespace
}  // namespace tavren

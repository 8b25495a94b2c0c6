// The picture control: the picture drawn unscaled from the top-left corner
// over what lies below, a decoding failure reported once, and every button
// press reported.

#include "ui/PictureBox.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "JpegSamples.h"

namespace tavren::test {
namespace {

// A picture box over a red parent, sized like a control.
struct Scene {
  QWidget parent;
  PictureBox* box;
  Scene(QSize control) : box(new PictureBox(&parent)) {
    parent.resize(400, 300);
    parent.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(kCanvas));
    parent.setPalette(palette);
    box->setGeometry(QRect(QPoint(10, 20), control));
    parent.show();
  }
  QImage Shot() { return parent.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

TEST(PictureBoxTest, PaintsUnscaledFromTopLeftAndShowsWhatIsBelowElsewhere) {
  struct Row {
    const char* name;
    QSize picture;
    QSize control;
  };
  const std::vector<Row> rows = {
      {"small banner", {100, 50}, {273, 81}},
      {"banner larger than control", {400, 120}, {273, 81}},
      {"notice picture", {339, 221}, {185, 129}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Scene scene(row.control);
    scene.box->SetPicture(
        JpegPicture::FromBytes(Compress(Quadrants(row.picture.width(), row.picture.height()), Kind::Rgb)));
    const QImage shot = scene.Shot();
    const QPoint origin(10, 20);
    const QSize shown = row.picture.boundedTo(row.control);
    // Quadrant colours at the picture's own coordinates.
    EXPECT_TRUE(Near(shot.pixel(origin + QPoint(4, 4)), kRed));
    const QPoint green(row.picture.width() / 2 + 4, 4);
    if (green.x() < shown.width()) {
      EXPECT_TRUE(Near(shot.pixel(origin + green), kGreen));
    }
    const QPoint blue(4, row.picture.height() / 2 + 4);
    if (blue.y() < shown.height()) {
      EXPECT_TRUE(Near(shot.pixel(origin + blue), kBlue));
    }
    // Cut at the control: the parent shows just beyond it; and where the
    // picture does not reach, the parent shows through the control.
    EXPECT_EQ(shot.pixel(origin + QPoint(row.control.width(), 2)), kCanvas);
    EXPECT_EQ(shot.pixel(origin + QPoint(2, row.control.height())), kCanvas);
    if (shown.width() < row.control.width()) {
      EXPECT_EQ(shot.pixel(origin + QPoint(shown.width() + 1, 2)), kCanvas);
    }
    if (shown.height() < row.control.height()) {
      EXPECT_EQ(shot.pixel(origin + QPoint(2, shown.height() + 1)), kCanvas);
    }
  }
}

TEST(PictureBoxTest, DecodeFailureReachesHandlerOnceAfterPainting) {
  struct Row {
    const char* name;
    std::string bytes;
    int code;  // -1: no failure
  };
  const std::vector<Row> rows = {
      {"zero bytes", std::string(), 42},
      {"valid picture", Compress(Quadrants(40, 30), Kind::Rgb), -1},
      {"progressive too large to decode", ClaimSize(Compress(Quadrants(16, 16), Kind::Rgb, true), 0xC2, 65000, 65000),
       JERR_NO_BACKING_STORE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Scene scene(QSize(273, 81));
    std::vector<int> codes;
    scene.box->SetFailureHandler([&codes](std::exception_ptr failure) {
      try {
        std::rethrow_exception(failure);
      } catch (const EJpegError& e) {
        codes.push_back(e.Code());
      } catch (...) {
        codes.push_back(-2);
      }
    });
    scene.box->SetPicture(JpegPicture::FromBytes(row.bytes));
    const QImage first = scene.Shot();
    EXPECT_TRUE(codes.empty()) << "handler ran inside the paint event";
    scene.Shot();
    scene.box->repaint();
    // The failure is reported on the next turn of the event loop.
    QCoreApplication::processEvents();
    if (row.code == -1) {
      EXPECT_TRUE(codes.empty());
    } else {
      ASSERT_EQ(codes.size(), 1u);
      EXPECT_EQ(codes[0], row.code);
      // A failed picture draws nothing: the parent shows through.
      EXPECT_EQ(scene.Shot().pixel(15, 25), kCanvas);
    }
  }
}

TEST(PictureBoxTest, AnyButtonPressIsReported) {
  const std::vector<Qt::MouseButton> buttons = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
  const std::vector<Qt::KeyboardModifiers> modifiers = {Qt::NoModifier, Qt::ShiftModifier | Qt::ControlModifier};
  for (Qt::MouseButton button : buttons) {
    for (Qt::KeyboardModifiers mods : modifiers) {
      Scene scene(QSize(273, 81));
      QSignalSpy spy(scene.box, &PictureBox::mousePressed);
      QTest::mousePress(scene.box, button, mods, QPoint(200, 70));
      ASSERT_EQ(spy.count(), 1);
      EXPECT_EQ(spy.at(0).at(0).value<Qt::MouseButton>(), button);
      QTest::mouseRelease(scene.box, button, mods, QPoint(200, 70));
      EXPECT_EQ(spy.count(), 1) << "a release is no press";
    }
  }
}

TEST(PictureBoxTest, ClearAndReplace) {
  Scene scene(QSize(273, 81));
  EXPECT_EQ(scene.box->Picture(), nullptr);
  EXPECT_EQ(scene.Shot().pixel(15, 25), kCanvas);
  scene.box->SetPicture(JpegPicture::FromBytes(Compress(Quadrants(40, 30), Kind::Rgb)));
  ASSERT_NE(scene.box->Picture(), nullptr);
  EXPECT_EQ(scene.box->Picture()->Size(), QSize(40, 30));
  EXPECT_TRUE(Near(scene.Shot().pixel(15, 25), kRed));
  scene.box->ClearPicture();
  EXPECT_EQ(scene.box->Picture(), nullptr);
  EXPECT_EQ(scene.Shot().pixel(15, 25), kCanvas);
}

}  // namespace
}  // namespace tavren::test

#include "ui/JpegPicture.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "ui/PictureBox.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace tavren {
namespace {

enum class Kind { Gray, Rgb, CmykAdobe, CmykPlain };

// A JPEG of `image` made with libjpeg's compressor.
std::string Compress(const QImage& image, Kind kind, bool progressive = false, int quality = 95) {
  jpeg_compress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(image.width());
  c.image_height = static_cast<JDIMENSION>(image.height());
  switch (kind) {
    case Kind::Gray:
      c.input_components = 1;
      c.in_color_space = JCS_GRAYSCALE;
      break;
    case Kind::Rgb:
      c.input_components = 3;
      c.in_color_space = JCS_RGB;
      break;
    case Kind::CmykAdobe:
    case Kind::CmykPlain:
      c.input_components = 4;
      c.in_color_space = JCS_CMYK;
      break;
  }
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (kind == Kind::CmykPlain) c.write_Adobe_marker = FALSE;
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(image.width()) * 4);
  while (c.next_scanline < c.image_height) {
    const int y = static_cast<int>(c.next_scanline);
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      const int r = qRed(p), g = qGreen(p), b = qBlue(p);
      JSAMPLE* s = &row[static_cast<std::size_t>(x) * 4];
      switch (kind) {
        case Kind::Gray:
          row[static_cast<std::size_t>(x)] = static_cast<JSAMPLE>(qGray(p));
          break;
        case Kind::Rgb:
          s = &row[static_cast<std::size_t>(x) * 3];
          s[0] = static_cast<JSAMPLE>(r), s[1] = static_cast<JSAMPLE>(g), s[2] = static_cast<JSAMPLE>(b);
          break;
        case Kind::CmykAdobe:  // inks stored inverted, no black ink
          s[0] = static_cast<JSAMPLE>(r), s[1] = static_cast<JSAMPLE>(g), s[2] = static_cast<JSAMPLE>(b), s[3] = 255;
          break;
        case Kind::CmykPlain:  // inks stored as amounts, no black ink
          s[0] = static_cast<JSAMPLE>(255 - r), s[1] = static_cast<JSAMPLE>(255 - g);
          s[2] = static_cast<JSAMPLE>(255 - b), s[3] = 0;
          break;
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::string bytes(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return bytes;
}

const QRgb kRed = qRgb(220, 30, 30);
const QRgb kGreen = qRgb(30, 200, 40);
const QRgb kBlue = qRgb(30, 40, 210);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kCanvas = qRgb(255, 0, 255);

// Four coloured quadrants: red, green on top; blue, white below.
QImage Quadrants(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(x, y, y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite));
  return image;
}

QRgb Expected(QRgb c, Kind kind) {
  if (kind != Kind::Gray) return c;
  const int g = qGray(c);
  return qRgb(g, g, g);
}

::testing::AssertionResult Near(QRgb actual, QRgb expected) {
  const int tolerance = 24;
  if (std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
      std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
      std::abs(qBlue(actual) - qBlue(expected)) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << qRed(actual) << "," << qGreen(actual) << "," << qBlue(actual)
                                       << " want " << qRed(expected) << "," << qGreen(expected) << ","
                                       << qBlue(expected);
}

int CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EJpegError& e) {
    return e.Code();
  }
  return -1;
}

// The offset of the first `marker` (0xFF, marker) in `bytes`.
std::size_t FindMarker(const std::string& bytes, unsigned char marker) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (static_cast<unsigned char>(bytes[i]) == 0xFF && static_cast<unsigned char>(bytes[i + 1]) == marker) return i;
  ADD_FAILURE() << "marker " << int(marker) << " not found";
  return 0;
}

// `bytes` with the frame header (SOF0 or SOF2) claiming w × h pixels.
std::string ClaimSize(std::string bytes, unsigned char sofMarker, int w, int h) {
  const std::size_t sof = FindMarker(bytes, sofMarker);
  bytes[sof + 5] = static_cast<char>(h >> 8), bytes[sof + 6] = static_cast<char>(h & 0xFF);
  bytes[sof + 7] = static_cast<char>(w >> 8), bytes[sof + 8] = static_cast<char>(w & 0xFF);
  return bytes;
}

TEST(JpegErrorTest, MessageCarriesLibraryCodeInCp932) {
  struct Row {
    int code;
    std::string message;
  };
  // "JPEG エラー #" in Shift-JIS.
  const std::string prefix = "JPEG \x83\x47\x83\x89\x81\x5B #";
  const std::vector<Row> rows = {{53, prefix + "53"}, {42, prefix + "42"}, {0, prefix + "0"}, {126, prefix + "126"}};
  for (const Row& row : rows) {
    EJpegError e(row.code);
    EXPECT_EQ(e.Message(), row.message);
    EXPECT_EQ(e.Code(), row.code);
  }
  // The codes the windows rely on are libjpeg 62's own numbering.
  EXPECT_EQ(JERR_NO_SOI, 53);
  EXPECT_EQ(JERR_INPUT_EMPTY, 42);
}

TEST(JpegPictureTest, LoadReadsTheHeaderSize) {
  struct Row {
    const char* name;
    Kind kind;
    bool progressive;
    int w, h;
  };
  const std::vector<Row> rows = {
      {"rgb", Kind::Rgb, false, 40, 30},        {"gray", Kind::Gray, false, 17, 9},
      {"cmyk", Kind::CmykAdobe, false, 24, 16}, {"progressive", Kind::Rgb, true, 339, 221},
      {"one pixel", Kind::Rgb, false, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const JpegPicture picture = JpegPicture::FromBytes(Compress(Quadrants(row.w, row.h), row.kind, row.progressive));
    EXPECT_EQ(picture.Width(), row.w);
    EXPECT_EQ(picture.Height(), row.h);
    EXPECT_FALSE(picture.IsEmpty());
    EXPECT_FALSE(picture.HasFailed());
  }
}

TEST(JpegPictureTest, DrawsAtOwnSizeFromTopLeft) {
  struct Row {
    const char* name;
    Kind kind;
    bool progressive;
  };
  const std::vector<Row> rows = {
      {"rgb", Kind::Rgb, false},
      {"rgb progressive", Kind::Rgb, true},
      {"gray", Kind::Gray, false},
      {"cmyk with Adobe marker", Kind::CmykAdobe, false},
      {"cmyk without Adobe marker", Kind::CmykPlain, false},
  };
  const int w = 64, h = 48;
  const QPoint at(5, 7);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JpegPicture picture = JpegPicture::FromBytes(Compress(Quadrants(w, h), row.kind, row.progressive));
    QImage canvas(273, 81, QImage::Format_RGB32);
    canvas.fill(kCanvas);
    {
      QPainter painter(&canvas);
      picture.Draw(painter, at, QSize(200, 70));
    }
    EXPECT_TRUE(Near(canvas.pixel(at + QPoint(16, 12)), Expected(kRed, row.kind)));
    EXPECT_TRUE(Near(canvas.pixel(at + QPoint(48, 12)), Expected(kGreen, row.kind)));
    EXPECT_TRUE(Near(canvas.pixel(at + QPoint(16, 36)), Expected(kBlue, row.kind)));
    EXPECT_TRUE(Near(canvas.pixel(at + QPoint(48, 36)), Expected(kWhite, row.kind)));
    // Nothing beyond the picture's own size, nothing before its corner.
    EXPECT_EQ(canvas.pixel(at + QPoint(w, 10)), kCanvas);
    EXPECT_EQ(canvas.pixel(at + QPoint(10, h)), kCanvas);
    EXPECT_EQ(canvas.pixel(at - QPoint(1, 1)), kCanvas);
  }
}

TEST(JpegPictureTest, VisiblePartIsCutAtTheClip) {
  struct Row {
    const char* name;
    QSize picture;
    std::vector<QSize> clips;  // asked in order; the last one is checked
    QSize expected;
  };
  const std::vector<Row> rows = {
      {"notice picture in its control", {339, 221}, {{185, 129}}, {185, 129}},
      {"banner larger than control", {400, 100}, {{273, 81}}, {273, 81}},
      {"banner smaller than control", {100, 50}, {{273, 81}}, {100, 50}},
      {"narrow and tall", {20, 300}, {{273, 81}}, {20, 81}},
      {"larger clip after a smaller one", {339, 221}, {{20, 10}, {185, 129}}, {185, 129}},
      {"smaller clip after a larger one", {339, 221}, {{185, 129}, {20, 10}}, {20, 10}},
      {"zero clip", {40, 30}, {{0, 0}}, {0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QSize p = row.picture;
    JpegPicture picture = JpegPicture::FromBytes(Compress(Quadrants(p.width(), p.height()), Kind::Rgb));
    QImage visible;
    for (const QSize& clip : row.clips) visible = picture.Visible(clip);
    EXPECT_EQ(visible.size(), row.expected);
    if (row.expected.isEmpty()) continue;
    // Unscaled: the pixel at a point of the visible part is the picture's own
    // pixel at that point.
    const int x = std::min(p.width() / 4, row.expected.width() - 1);
    const int y = std::min(p.height() / 4, row.expected.height() - 1);
    EXPECT_TRUE(Near(visible.pixel(x, y), kRed));
    if (row.expected.width() > p.width() / 2 + 8) {
      EXPECT_TRUE(Near(visible.pixel(p.width() / 2 + 8, y), kGreen));
    }
  }
}

TEST(JpegPictureTest, HeaderErrorsFailAtLoadWithLibraryCode) {
  const std::string good = Compress(Quadrants(40, 30), Kind::Rgb);
  struct Row {
    const char* name;
    std::string bytes;
    int code;
  };
  const std::vector<Row> rows = {
      {"html page", "<html><body>404 Not Found</body></html>\r\n", 53},
      {"one byte", std::string("\xFF", 1), JERR_NO_SOI},
      {"start marker only", std::string("\xFF\xD8", 2), JERR_NO_IMAGE},
      {"header cut before the frame", good.substr(0, FindMarker(good, 0xC0)), JERR_NO_IMAGE},
      {"header cut before the scan", good.substr(0, FindMarker(good, 0xDA)), JERR_SOF_NO_SOS},
      {"frame header cut short", good.substr(0, FindMarker(good, 0xC0) + 6), JERR_BAD_LENGTH},
      {"frame claiming zero width", ClaimSize(good, 0xC0, 0, 30), JERR_EMPTY_IMAGE},
      {"frame larger than the library allows", ClaimSize(good, 0xC0, 65535, 30), JERR_IMAGE_TOO_BIG},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(CodeOf([&] { JpegPicture::FromBytes(row.bytes); }), row.code);
  }
}

TEST(JpegPictureTest, ZeroBytesLoadThenFailOnceWhenFirstDrawn) {
  struct Row {
    const char* name;
    std::function<void(JpegPicture&)> draw;
  };
  const std::vector<Row> rows = {
      {"Visible", [](JpegPicture& p) { (void)p.Visible(QSize(273, 81)); }},
      {"Draw",
       [](JpegPicture& p) {
         QImage canvas(273, 81, QImage::Format_RGB32);
         canvas.fill(kCanvas);
         QPainter painter(&canvas);
         p.Draw(painter, QPoint(0, 0), canvas.size());
         painter.end();
         EXPECT_EQ(canvas.pixel(0, 0), kCanvas);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JpegPicture picture = JpegPicture::FromBytes(std::string());
    EXPECT_TRUE(picture.IsEmpty());
    EXPECT_EQ(picture.Size(), QSize(0, 0));
    EXPECT_EQ(CodeOf([&] { row.draw(picture); }), 42);
    EXPECT_TRUE(picture.HasFailed());
    EXPECT_EQ(CodeOf([&] { row.draw(picture); }), -1);
    EXPECT_TRUE(picture.Visible(QSize(273, 81)).isNull());
  }
  // A picture that was never given content draws nothing and never fails.
  JpegPicture none;
  EXPECT_EQ(CodeOf([&] { EXPECT_TRUE(none.Visible(QSize(273, 81)).isNull()); }), -1);
}

TEST(JpegPictureTest, CorruptScanDataNeverCrashes) {
  const std::string good = Compress(Quadrants(64, 48), Kind::Rgb);
  const std::size_t scan = FindMarker(good, 0xDA);
  const std::size_t end = good.size() - 2;
  struct Row {
    const char* name;
    std::string bytes;
    bool partialImage;  // libjpeg only warns: an image of full size comes out
  };
  std::string flipped = good;
  for (std::size_t i = scan + 20; i < end; i += 7) flipped[i] = static_cast<char>(flipped[i] ^ 0x5A);
  std::string zeroed = good;
  for (std::size_t i = scan + 14; i < end; ++i) zeroed[i] = 0;
  std::string markers = good;
  for (std::size_t i = scan + 16; i + 1 < end; i += 9) markers[i] = '\xFF', markers[i + 1] = '\xD0';
  const std::vector<Row> rows = {
      {"scan cut in half", good.substr(0, scan + (end - scan) / 2), true},
      {"scan cut after its header", good.substr(0, scan + 14), true},
      {"end marker missing", good.substr(0, end), true},
      {"bits flipped", flipped, false},
      {"scan zeroed", zeroed, false},
      {"stray restart markers", markers, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JpegPicture picture = JpegPicture::FromBytes(row.bytes);
    QImage visible;
    const int code = CodeOf([&] { visible = picture.Visible(QSize(273, 81)); });
    if (row.partialImage) {
      EXPECT_EQ(code, -1);
      EXPECT_EQ(visible.size(), QSize(64, 48));
    }
    if (code != -1) {
      EXPECT_TRUE(picture.HasFailed());
    }
    // Whatever happened, a redraw neither fails nor changes its outcome.
    EXPECT_EQ(CodeOf([&] { (void)picture.Visible(QSize(273, 81)); }), -1);
  }
}

// A figure of /proc/self/status in kB (VmRSS now, VmHWM the peak since
// ResetPeak).
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
  return -1;
}

bool ResetPeak() {
  std::FILE* f = std::fopen("/proc/self/clear_refs", "w");
  if (f == nullptr) return false;
  const bool ok = std::fputs("5", f) >= 0;
  return std::fclose(f) == 0 && ok;
}

TEST(JpegPictureTest, HugeClaimedSizeDecodesInLittleMemory) {
  const QImage small = Quadrants(16, 16);
  struct Row {
    const char* name;
    std::string bytes;
    int w, h;
    bool decodes;  // false: refused for its whole-image buffers
  };
  const std::vector<Row> rows = {
      {"baseline 65000 x 65000", ClaimSize(Compress(small, Kind::Rgb), 0xC0, 65000, 65000), 65000, 65000, true},
      {"baseline 65500 x 65500", ClaimSize(Compress(small, Kind::Rgb), 0xC0, 65500, 65500), 65500, 65500, true},
      {"baseline 65500 wide, 81 high", ClaimSize(Compress(small, Kind::Rgb), 0xC0, 65500, 81), 65500, 81, true},
      {"cmyk 65000 x 65000", ClaimSize(Compress(small, Kind::CmykAdobe), 0xC0, 65000, 65000), 65000, 65000, true},
      {"progressive 65000 x 65000", ClaimSize(Compress(small, Kind::Rgb, true), 0xC2, 65000, 65000), 65000, 65000,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    JpegPicture picture = JpegPicture::FromBytes(row.bytes);
    EXPECT_EQ(picture.Size(), QSize(row.w, row.h));
    ASSERT_TRUE(ResetPeak()) << "cannot reset the peak memory figure";
    const long before = StatusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    QImage visible;
    const int code = CodeOf([&] { visible = picture.Visible(QSize(273, 81)); });
    const qint64 elapsed = timer.elapsed();
    const long grown = StatusKb("VmHWM:") - before;
    EXPECT_LT(grown, 8 * 1024) << "peak grew by " << grown << " kB";
    EXPECT_LT(elapsed, 5000);
    if (row.decodes) {
      EXPECT_EQ(code, -1);
      EXPECT_EQ(visible.size(), QSize(273, 81));
      EXPECT_TRUE(Near(visible.pixel(4, 4), kRed));
    } else {
      EXPECT_NE(code, -1);
      EXPECT_TRUE(picture.HasFailed());
    }
  }
}

TEST(JpegPictureTest, FromFileReadsTheWholeFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string root = dir.path().toStdString();
  const std::string good = Compress(Quadrants(40, 30), Kind::Rgb);
  {
    std::ofstream(root + "/tavren.jpg", std::ios::binary) << good;
    std::ofstream(root + "/empty.jpg", std::ios::binary);
    std::ofstream(root + "/page.jpg", std::ios::binary) << "<html></html>";
  }
  struct Row {
    const char* name;
    std::string path;
    int errnoValue;  // 0: opens
    int jpegCode;    // -1: loads
    QSize size;
  };
  const std::vector<Row> rows = {
      {"picture", root + "/tavren.jpg", 0, -1, {40, 30}},
      {"zero bytes", root + "/empty.jpg", 0, -1, {0, 0}},
      {"html page", root + "/page.jpg", 0, 53, {}},
      {"missing", root + "/missing.jpg", ENOENT, -1, {}},
      {"folder", root, EISDIR, -1, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int errnoValue = 0;
    JpegPicture picture;
    const int code = CodeOf([&] {
      try {
        picture = JpegPicture::FromFile(row.path);
      } catch (const std::system_error& e) {
        errnoValue = e.code().value();
      }
    });
    EXPECT_EQ(errnoValue, row.errnoValue);
    EXPECT_EQ(code, row.jpegCode);
    if (row.errnoValue == 0 && row.jpegCode == -1) {
      EXPECT_EQ(picture.Size(), row.size);
    }
  }
}

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
    QTest::qWait(20);
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
}  // namespace tavren

#include "banner/JpegPicture.h"

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

#include "JpegSamples.h"

namespace tavren::test {
namespace {

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

}  // namespace
}  // namespace tavren::test

#pragma once
// JPEG samples for the picture tests, made with libjpeg's own compressor,
// and the checks the picture tests share.

#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "banner/JpegPicture.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace tavren::test {

enum class Kind { Gray, Rgb, CmykAdobe, CmykPlain };

// A JPEG of `image` made with libjpeg's compressor.
inline std::string Compress(const QImage& image, Kind kind, bool progressive = false, int quality = 95) {
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

inline const QRgb kRed = qRgb(220, 30, 30);
inline const QRgb kGreen = qRgb(30, 200, 40);
inline const QRgb kBlue = qRgb(30, 40, 210);
inline const QRgb kWhite = qRgb(255, 255, 255);
inline const QRgb kCanvas = qRgb(255, 0, 255);

// Four coloured quadrants: red, green on top; blue, white below.
// A one-colour RGB JPEG of the given size.
inline std::string SolidJpeg(int w, int h, QRgb colour = kRed) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  return Compress(image, Kind::Rgb);
}

inline QImage Quadrants(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      image.setPixel(x, y, y < h / 2 ? (x < w / 2 ? kRed : kGreen) : (x < w / 2 ? kBlue : kWhite));
  return image;
}

inline QRgb Expected(QRgb c, Kind kind) {
  if (kind != Kind::Gray) return c;
  const int g = qGray(c);
  return qRgb(g, g, g);
}

inline ::testing::AssertionResult Near(QRgb actual, QRgb expected) {
  const int tolerance = 24;
  if (std::abs(qRed(actual) - qRed(expected)) <= tolerance &&
      std::abs(qGreen(actual) - qGreen(expected)) <= tolerance &&
      std::abs(qBlue(actual) - qBlue(expected)) <= tolerance)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << qRed(actual) << "," << qGreen(actual) << "," << qBlue(actual)
                                       << " want " << qRed(expected) << "," << qGreen(expected) << ","
                                       << qBlue(expected);
}

inline int CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EJpegError& e) {
    return e.Code();
  }
  return -1;
}

// The offset of the first `marker` (0xFF, marker) in `bytes`.
inline std::size_t FindMarker(const std::string& bytes, unsigned char marker) {
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (static_cast<unsigned char>(bytes[i]) == 0xFF && static_cast<unsigned char>(bytes[i + 1]) == marker) return i;
  ADD_FAILURE() << "marker " << int(marker) << " not found";
  return 0;
}

// `bytes` with the frame header (SOF0 or SOF2) claiming w × h pixels.
inline std::string ClaimSize(std::string bytes, unsigned char sofMarker, int w, int h) {
  const std::size_t sof = FindMarker(bytes, sofMarker);
  bytes[sof + 5] = static_cast<char>(h >> 8), bytes[sof + 6] = static_cast<char>(h & 0xFF);
  bytes[sof + 7] = static_cast<char>(w >> 8), bytes[sof + 8] = static_cast<char>(w & 0xFF);
  return bytes;
}

}  // namespace tavren::test

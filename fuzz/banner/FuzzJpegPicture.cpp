// Arbitrary bytes as a downloaded banner: load, then draw as the banner and as
// the notice picture would. Any failure must be an EJpegError, a failed
// picture must never fail again, and what is drawn must fit the control.
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "banner/JpegPicture.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tavren::EJpegError;
  using tavren::JpegPicture;
  JpegPicture picture;
  try {
    picture = JpegPicture::FromBytes(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const EJpegError& e) {
    Check(e.Code() > 0);
    return 0;
  }
  Check(picture.Width() >= 0 && picture.Height() >= 0);
  for (const QSize clip : {QSize(273, 81), QSize(185, 129), QSize(8, 300)}) {
    try {
      const QImage visible = picture.Visible(clip);
      Check(visible.isNull() || visible.size() == clip.boundedTo(picture.Size()));
    } catch (const EJpegError& e) {
      Check(e.Code() > 0 && picture.HasFailed());
    }
  }
  // Once failed, a picture draws nothing and never fails again.
  QImage canvas(273, 81, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  try {
    QPainter painter(&canvas);
    picture.Draw(painter, QPoint(0, 0), canvas.size());
  } catch (const EJpegError&) {
    Check(false);
  }
  return 0;
}

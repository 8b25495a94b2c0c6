#pragma once
// A JPEG picture over libjpeg (IJG API 62): the whole content is kept in
// memory, the header is read when the picture is made, and the image data is
// decoded when the picture is first drawn; the decoded part is then kept for
// later redraws.
//
// Only the top-left part that a control can ever show is decoded and kept,
// and decoding stops after the last row that shows, so memory stays small
// whatever size the header claims (a row buffer of the full width is the
// largest allocation; the whole-image buffers that progressive and
// multi-scan pictures need are capped by kDecoderMemoryLimit, beyond which
// decoding fails with code 49, "no backing store").
//
// Needs QtGui's QImage but no QGuiApplication.

#include <QImage>
#include <QPoint>
#include <QSize>
#include <string>
#include <system_error>

#include "base/Failure.h"

class QPainter;

namespace tavren {

// A failure of the JPEG decoder: "JPEG エラー #<code>", the code being
// libjpeg's message code (J_MESSAGE_CODE), e.g. 53 for data that does not
// begin with the start-of-image marker, 42 for no data at all.
class EJpegError : public EFailure {
 public:
  explicit EJpegError(int code);
  int Code() const noexcept { return code_; }

 private:
  int code_;
};

class JpegPicture {
 public:
  // Largest amount of memory libjpeg may take for one picture; a progressive
  // picture whose whole-image buffers need more fails to decode.
  static constexpr long kDecoderMemoryLimit = 16L * 1024 * 1024;

  // An empty picture: no content, draws nothing, never fails.
  JpegPicture() = default;

  // Keeps `bytes` and reads the JPEG header at once. Zero bytes are accepted
  // without reading anything: the picture is then empty and its first draw
  // fails with code 42. Throws EJpegError with libjpeg's code when the header
  // cannot be read (53 when the data does not begin with the start-of-image
  // marker). Never keeps libjpeg state beyond the call.
  static JpegPicture FromBytes(std::string bytes);

  // True when there is no content (default-made or zero bytes).
  bool IsEmpty() const noexcept { return bytes_.empty(); }
  // Size from the header; 0 × 0 when empty.
  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  QSize Size() const noexcept { return {width_, height_}; }
  // True once a draw has failed; such a picture draws nothing from then on.
  bool HasFailed() const noexcept { return state_ == State::Failed; }
  // The content as given.
  const std::string& Bytes() const noexcept { return bytes_; }

  // The picture's top-left part of at most `clip` (its own size where
  // smaller), decoded on the first call and kept; a later call that asks for
  // more than is kept decodes again. Format RGB32. The first failure throws
  // EJpegError and is remembered: from then on this returns a null image and
  // never throws. Corrupt data that libjpeg only warns about gives a partial
  // image without failure. A default-made picture returns a null image.
  QImage Visible(QSize clip);

  // Draws Visible(clip) at `topLeft`, at the picture's own size, neither
  // stretched nor centred; nothing beyond `clip` is painted. Throws as
  // Visible, the first time only.
  void Draw(QPainter& painter, QPoint topLeft, QSize clip);

 private:
  enum class State { Undecoded, Decoded, Failed };

  std::string bytes_;
  int width_ = 0;
  int height_ = 0;
  State state_ = State::Undecoded;
  QImage kept_;
  bool zeroBytes_ = false;  // made from zero bytes: fails at first draw
};

}  // namespace tavren

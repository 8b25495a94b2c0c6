#include "banner/JpegPicture.h"

#include <QPainter>
#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <utility>

#include "base/CodePage.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

namespace tavren {

EJpegError::EJpegError(int code) : EFailure(cp932::FromUtf8("JPEG エラー #") + std::to_string(code)), code_(code) {}

namespace {

// libjpeg's own error_exit ends the process. Ours jumps back to the one frame
// that called setjmp; every frame in between is libjpeg's C code or one of
// the plain functions below, none of which owns anything with a destructor.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

// Warnings (corrupt data, premature end) must not stop decoding: whatever
// libjpeg makes of such data is shown.
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}

// A source over bytes held in memory. Running out of data is a warning, not
// an error, as with a file: a fake end-of-image marker lets libjpeg finish
// with what it has.
struct MemorySource {
  jpeg_source_mgr pub;
  const JOCTET* data;
  std::size_t size;
};

const JOCTET kFakeEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  WARNMS(cinfo, JWRN_JPEG_EOF);
  cinfo->src->next_input_byte = kFakeEndOfImage;
  cinfo->src->bytes_in_buffer = sizeof kFakeEndOfImage;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  auto n = static_cast<std::size_t>(count);
  while (n > src->bytes_in_buffer) {
    n -= src->bytes_in_buffer;
    FillInputBuffer(cinfo);
  }
  src->next_input_byte += n;
  src->bytes_in_buffer -= n;
}

void TermSource(j_decompress_ptr) {}

// Everything one run of the decoder uses lives here, in the frame that calls
// setjmp, so that a jump out of libjpeg skips no destructor.
struct DecodeJob {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  MemorySource source;
  const std::string* bytes = nullptr;
  bool headerOnly = false;
  QSize clip;
  // Results.
  int width = 0;
  int height = 0;
  QImage image;
};

void StoreRow(const JSAMPLE* in, int components, bool adobeInverted, QRgb* out, int count) {
  switch (components) {
    case 1:
      for (int x = 0; x < count; ++x) out[x] = qRgb(in[x], in[x], in[x]);
      break;
    case 3:
      for (int x = 0; x < count; ++x, in += 3) out[x] = qRgb(in[0], in[1], in[2]);
      break;
    default: {
      // CMYK: Adobe's writers store the inks inverted (0 = full ink), others
      // store them plainly.
      for (int x = 0; x < count; ++x, in += 4) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!adobeInverted) {
          c = 255 - c;
          m = 255 - m;
          y = 255 - y;
          k = 255 - k;
        }
        out[x] = qRgb(c * k / 255, m * k / 255, y * k / 255);
      }
      break;
    }
  }
}

// The libjpeg part of a run. Any libjpeg error leaves it by a jump; it owns
// nothing that would need destroying then (the row buffer belongs to
// libjpeg's pool, the image to the job).
void RunDecoder(DecodeJob& job) {
  j_decompress_ptr cinfo = &job.cinfo;
  jpeg_create_decompress(cinfo);
  cinfo->mem->max_memory_to_use = JpegPicture::kDecoderMemoryLimit;

  if (job.bytes->empty()) ERREXIT(cinfo, JERR_INPUT_EMPTY);
  job.source.pub.init_source = InitSource;
  job.source.pub.fill_input_buffer = FillInputBuffer;
  job.source.pub.skip_input_data = SkipInputData;
  job.source.pub.resync_to_restart = jpeg_resync_to_restart;
  job.source.pub.term_source = TermSource;
  job.source.pub.next_input_byte = reinterpret_cast<const JOCTET*>(job.bytes->data());
  job.source.pub.bytes_in_buffer = job.bytes->size();
  cinfo->src = &job.source.pub;

  jpeg_read_header(cinfo, TRUE);
  job.width = static_cast<int>(cinfo->image_width);
  job.height = static_cast<int>(cinfo->image_height);
  if (job.headerOnly) return;

  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      cinfo->out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      cinfo->out_color_space = JCS_CMYK;
      break;
    default:
      cinfo->out_color_space = JCS_RGB;
      break;
  }
  jpeg_start_decompress(cinfo);

  const int components = cinfo->output_components;
  if (components != 1 && components != 3 && components != 4) ERREXIT(cinfo, JERR_CONVERSION_NOTIMPL);
  const int columns = std::min(static_cast<int>(cinfo->output_width), job.clip.width());
  const JDIMENSION rows = std::min(cinfo->output_height, static_cast<JDIMENSION>(std::max(0, job.clip.height())));
  if (columns > 0 && rows > 0) {
    job.image = QImage(columns, static_cast<int>(rows), QImage::Format_RGB32);
    if (job.image.isNull()) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  }
  // One row of the full width: the rows are decoded whole and only their
  // left part kept.
  JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                               cinfo->output_width * static_cast<JDIMENSION>(components), 1);
  const bool adobeInverted = cinfo->saw_Adobe_marker;
  while (cinfo->output_scanline < rows) {
    const JDIMENSION y = cinfo->output_scanline;
    if (jpeg_read_scanlines(cinfo, row, 1) != 1) break;
    StoreRow(row[0], components, adobeInverted, reinterpret_cast<QRgb*>(job.image.scanLine(static_cast<int>(y))),
             columns);
  }
  // The rows below the visible part are never decoded: destroying the
  // decompressor abandons them.
}

// Runs the decoder over `job` and always destroys it; throws EJpegError with
// libjpeg's message code when it failed.
void Run(DecodeJob& job) {
  job.cinfo.err = jpeg_std_error(&job.errors.pub);
  job.errors.pub.error_exit = ErrorExit;
  job.errors.pub.emit_message = EmitMessage;
  job.errors.pub.output_message = OutputMessage;
  if (setjmp(job.errors.jump) != 0) {
    const int code = job.errors.pub.msg_code;
    jpeg_destroy_decompress(&job.cinfo);
    job.image = QImage();
    throw EJpegError(code);
  }
  RunDecoder(job);
  jpeg_destroy_decompress(&job.cinfo);
}

}  // namespace

JpegPicture JpegPicture::FromBytes(std::string bytes) {
  JpegPicture picture;
  if (bytes.empty()) {
    picture.zeroBytes_ = true;
    return picture;
  }
  DecodeJob job{};
  job.bytes = &bytes;
  job.headerOnly = true;
  Run(job);
  picture.width_ = job.width;
  picture.height_ = job.height;
  picture.bytes_ = std::move(bytes);
  return picture;
}

QImage JpegPicture::Visible(QSize clip) {
  if (state_ == State::Failed || (bytes_.empty() && !zeroBytes_)) return {};
  const QSize want = clip.expandedTo(QSize(0, 0)).boundedTo(Size());
  const bool keptEnough = state_ == State::Decoded && kept_.width() >= want.width() && kept_.height() >= want.height();
  if (!keptEnough) {
    DecodeJob job{};
    job.bytes = &bytes_;
    job.clip = want;
    try {
      Run(job);
    } catch (const EJpegError&) {
      state_ = State::Failed;
      kept_ = QImage();
      throw;
    }
    kept_ = std::move(job.image);
    state_ = State::Decoded;
  }
  if (kept_.isNull() || want.isEmpty()) return {};
  if (kept_.size() == want) return kept_;
  return kept_.copy(QRect(QPoint(0, 0), want));
}

void JpegPicture::Draw(QPainter& painter, QPoint topLeft, QSize clip) {
  const QImage image = Visible(clip);
  if (!image.isNull()) painter.drawImage(topLeft, image);
}

}  // namespace tavren

#include "catalogue/GuideReader.h"

#include "base/FileHandle.h"

#include "base/Failure.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavren {
namespace {

constexpr char kEndMark = 0x1A;

// ENOENT means the file or a folder before it is missing; the user is told
// which, so look at the folder that should hold the file.
int MissingNumber(const std::string& path) {
  std::string folder = ".";
  if (auto slash = path.find_last_of('/'); slash != std::string::npos)
    folder = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return io_error::kFileNotFound;
  return io_error::kPathNotFound;
}

// The first LF, CR or end mark at or after p, or stop.
const char* FindLineByte(const char* p, const char* stop) noexcept {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i mark = _mm_set1_epi8(kEndMark);
  while (stop - p >= 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, mark));
    if (int mask = _mm_movemask_epi8(hit)) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  while (p < stop && *p != '\n' && *p != '\r' && *p != kEndMark) ++p;
  return p;
}

}  // namespace

int InOutErrorNumber(int errnoValue) noexcept {
  struct Row {
    int errnoValue;
    int number;
  };
  // A folder opened as a file is refused on the original platform.
  static constexpr Row kRows[] = {
      {ENOENT, io_error::kFileNotFound},     {ENOTDIR, io_error::kPathNotFound}, {EMFILE, io_error::kTooManyOpenFiles},
      {ENFILE, io_error::kTooManyOpenFiles}, {EACCES, io_error::kAccessDenied},  {EPERM, io_error::kAccessDenied},
      {EISDIR, io_error::kAccessDenied},
  };
  for (const Row& row : kRows) {
    if (row.errnoValue == errnoValue) return row.number;
  }
  return 10000 + errnoValue;
}

GuideReader::GuideReader(std::size_t readSize) : readSize_(readSize == 0 ? 1 : readSize) {}

GuideReader::~GuideReader() { CloseQuietly(); }

void GuideReader::Name(std::string path) {
  path_ = std::move(path);
  named_ = true;
}

void GuideReader::Open() {
  CloseQuietly();
  if (!named_) throw EInOutError(kNotNamed);
  if (path_.empty() || path_.find('\0') != std::string::npos) throw EInOutError(io_error::kPathNotFound);
  // Non-blocking only for the open itself: a FIFO must not hang the window
  // waiting for a writer; it is refused below.
  FileHandle file(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) {
    int err = errno;
    throw EInOutError(err == ENOENT ? MissingNumber(path_) : InOutErrorNumber(err));
  }
  const int fd = file.Get();
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw EInOutError(InOutErrorNumber(errno));
  // A folder opens fine for reading on Linux; as a guide file it is refused,
  // and so are pipes and sockets, which have no bytes of their own to read.
  if (S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) throw EInOutError(io_error::kAccessDenied);
  if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) throw EInOutError(InOutErrorNumber(errno));
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    const int err = errno;
    throw EInOutError(err == EWOULDBLOCK ? kSharingViolation : InOutErrorNumber(err));
  }
  fd_ = file.Release();
  // Reads of a size the allocator keeps in its heap, so the buffer of one
  // command reuses the pages of the last instead of faulting fresh ones in;
  // no larger than the file needs (one more byte sees its end).
  std::size_t want = readSize_;
  if (S_ISREG(st.st_mode) && st.st_size >= 0 && static_cast<std::uint64_t>(st.st_size) < want)
    want = static_cast<std::size_t>(st.st_size) + 1;
  if (bufferSize_ != want) {
    buffer_.reset(new char[want]);
    bufferSize_ = want;
  }
  pos_ = end_ = 0;
  eof_ = false;
  line_.clear();
}

bool GuideReader::Fill() {
  if (eof_) return false;
  for (;;) {
    ssize_t n = ::read(fd_, buffer_.get(), bufferSize_);
    if (n > 0) {
      pos_ = 0;
      end_ = static_cast<std::size_t>(n);
      return true;
    }
    if (n == 0) {
      eof_ = true;
      pos_ = end_ = 0;
      return false;
    }
    if (errno != EINTR) throw EInOutError(InOutErrorNumber(errno));
  }
}

bool GuideReader::AtEnd() {
  if (pos_ == end_ && !Fill()) return true;
  return buffer_[pos_] == kEndMark;
}

std::string_view GuideReader::NextLine() {
  line_.clear();
  bool gathered = false;  // bytes of this line already sit in line_
  for (;;) {
    if (pos_ == end_ && !Fill()) return line_;
    const char* base = buffer_.get();
    const char* p = base + pos_;
    const char* stop = base + end_;
    const char* at = FindLineByte(p, stop);
    if (at == stop) {
      line_.append(p, stop);
      gathered = true;
      pos_ = end_;
      continue;
    }
    if (*at == kEndMark) {
      // The mark ends the line and stays unread, so AtEnd holds from now on.
      pos_ = static_cast<std::size_t>(at - base);
      if (!gathered) return {p, static_cast<std::size_t>(at - p)};
      line_.append(p, at);
      return line_;
    }
    if (*at == '\n') {
      pos_ = static_cast<std::size_t>(at - base) + 1;
      if (!gathered) return {p, static_cast<std::size_t>(at - p)};
      line_.append(p, at);
      return line_;
    }
    // A CR: the line ends only when an LF follows; a lone CR is dropped.
    if (!gathered && at + 1 < stop && at[1] == '\n') {
      pos_ = static_cast<std::size_t>(at - base) + 2;
      return {p, static_cast<std::size_t>(at - p)};
    }
    line_.append(p, at);
    gathered = true;
    pos_ = static_cast<std::size_t>(at - base) + 1;
    if (pos_ == end_ && !Fill()) return line_;
    if (buffer_[pos_] == '\n') {
      ++pos_;
      return line_;
    }
  }
}

void GuideReader::Close() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  pos_ = end_ = 0;
  eof_ = false;
  if (::close(fd) != 0 && errno != EINTR) throw EInOutError(InOutErrorNumber(errno));
}

void GuideReader::CloseQuietly() noexcept {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  pos_ = end_ = 0;
  eof_ = false;
}

}  // namespace tavren

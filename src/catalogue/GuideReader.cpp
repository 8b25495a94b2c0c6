#include "catalogue/GuideReader.h"

#include "base/Failure.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tavren {
namespace {

// Large reads: a guide of several megabytes is read in a handful of calls.
constexpr std::size_t kChunk = 1 << 20;
constexpr char kEndMark = 0x1A;

// ENOENT means the file or a folder before it is missing; the user is told
// which, so look at the folder that should hold the file.
int MissingNumber(const std::string& path) {
  std::string folder = ".";
  if (auto slash = path.find_last_of('/'); slash != std::string::npos)
    folder = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return 2;
  return 3;
}

}  // namespace

int InOutErrorNumber(int errnoValue) noexcept {
  switch (errnoValue) {
    case ENOENT:
      return 2;
    case ENOTDIR:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EISDIR:
      return 5;
    default:
      return 10000 + errnoValue;
  }
}

GuideReader::GuideReader() = default;

GuideReader::~GuideReader() { CloseQuietly(); }

void GuideReader::Name(std::string path) {
  path_ = std::move(path);
  named_ = true;
}

void GuideReader::Open() {
  CloseQuietly();
  if (!named_) throw EInOutError(kNotNamed);
  if (path_.empty() || path_.find('\0') != std::string::npos) throw EInOutError(3);
  int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    throw EInOutError(err == ENOENT ? MissingNumber(path_) : InOutErrorNumber(err));
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    int err = errno;
    ::close(fd);
    throw EInOutError(InOutErrorNumber(err));
  }
  // A folder opens fine for reading on Linux; as a guide file it is refused.
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw EInOutError(5);
  }
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    throw EInOutError(err == EWOULDBLOCK ? kSharingViolation : InOutErrorNumber(err));
  }
  fd_ = fd;
  if (buffer_.size() != kChunk) buffer_.resize(kChunk);
  pos_ = end_ = 0;
  eof_ = false;
  line_.clear();
}

bool GuideReader::Fill() {
  if (eof_) return false;
  for (;;) {
    ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
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
    const char* base = buffer_.data();
    const char* p = base + pos_;
    const char* stop = base + end_;
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
    const char* segEnd = lf ? lf : stop;
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(segEnd - p)));
    const char* firstSpecial = cr ? cr : segEnd;
    const char* mark = static_cast<const char*>(std::memchr(p, kEndMark, static_cast<std::size_t>(firstSpecial - p)));
    if (mark) {
      // The mark ends the line and stays unread, so AtEnd holds from now on.
      pos_ = static_cast<std::size_t>(mark - base);
      if (!gathered) return {p, static_cast<std::size_t>(mark - p)};
      line_.append(p, mark);
      return line_;
    }
    if (cr) {
      line_.append(p, cr);
      gathered = true;
      pos_ = static_cast<std::size_t>(cr - base) + 1;
      if (pos_ == end_ && !Fill()) return line_;
      if (buffer_[pos_] == '\n') {
        ++pos_;
        return line_;
      }
      continue;  // a lone CR is dropped
    }
    if (lf) {
      pos_ = static_cast<std::size_t>(lf - base) + 1;
      if (!gathered) return {p, static_cast<std::size_t>(lf - p)};
      line_.append(p, lf);
      return line_;
    }
    line_.append(p, stop);
    gathered = true;
    pos_ = end_;
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

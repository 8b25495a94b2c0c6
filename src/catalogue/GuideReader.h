#pragma once
// The guide file's line reader. Lines end at LF or CR LF; a CR not followed by
// LF is dropped; the end mark 0x1A ends the file; every other byte, NUL and
// 0x80-0xFF included, belongs to the line. Lines have no length limit.
//
// Sharing: the file is opened read-only and a shared advisory lock
// (flock LOCK_SH | LOCK_NB) is taken for as long as it is open. Other readers
// may open it meanwhile; a program that holds an exclusive lock to write it
// makes Open fail with I/O error 32 (the sharing-violation number), and a
// writer that asks for LOCK_EX while we read is refused. Programs that write
// without locking are not stopped: POSIX has no mandatory share modes.

#include "base/Failure.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tavren {

// The I/O error number shown for an errno value. The four refusals that the
// user is told apart map to their fixed numbers: ENOENT 2 (the caller turns it
// into 3 when a folder on the path is missing), ENOTDIR 3, EMFILE/ENFILE 4,
// EACCES/EPERM/EISDIR 5. Every other errno becomes 10000 + errno, so that a
// Linux number that happens to equal a fixed one (EIO is 5, ESRCH 3, EINTR 4)
// is never shown with that fixed meaning.
int InOutErrorNumber(int errnoValue) noexcept;

// The number for a lock conflict: another program holds the file for writing.
inline constexpr int kSharingViolation = io_error::kSharingViolation;
// The number for Open on a reader that was never named.
inline constexpr int kNotNamed = io_error::kFileNotOpen;

class GuideReader {
 public:
  static constexpr std::size_t kDefaultReadSize = std::size_t{1} << 16;

  // `readSize` is the most bytes asked of the system at once; a small file
  // gets a buffer of its own size. Tests pass tiny sizes to put line ends at
  // the edges of reads.
  explicit GuideReader(std::size_t readSize = kDefaultReadSize);
  ~GuideReader();  // closes quietly when still open
  GuideReader(const GuideReader&) = delete;
  GuideReader& operator=(const GuideReader&) = delete;

  // Records the path (native file-name bytes) for the next Open; never fails.
  void Name(std::string path);
  const std::string& Path() const noexcept { return path_; }
  bool IsOpen() const noexcept { return fd_ >= 0; }

  // Opens the named file at its first byte, read-only, with a shared lock.
  // Throws EInOutError: 102 when unnamed, 3 for an empty path, 2 when the
  // file is missing, 3 when a folder on its path is missing, 4 when too many
  // files are open, 5 when access is denied or the path is a folder, a pipe
  // or a socket, 32 when
  // a writer holds the file, 10000 + errno otherwise. On failure nothing is
  // left open. Opening an open reader first closes it.
  void Open();

  // True when no byte is left or the next byte is the end mark 0x1A; once
  // true it stays true. Throws EInOutError on a read error. Open only.
  bool AtEnd();

  // The next line, without its line end. The view points into the reader's
  // own buffers and stays valid until the next call of any member. Call only
  // while AtEnd() is false. Throws EInOutError on a read error; the part of
  // the line read so far is then dropped.
  std::string_view NextLine();

  // Releases the file; the reader keeps its path and can be opened again.
  // Throws EInOutError when the system reports an error on closing (the file
  // is released all the same). Does nothing when not open.
  void Close();
  // Close that never throws, for clean-up on failure paths.
  void CloseQuietly() noexcept;

 private:
  bool Fill();  // false at end of file; throws on a read error

  std::size_t readSize_;
  std::string path_;
  bool named_ = false;
  int fd_ = -1;
  std::unique_ptr<char[]> buffer_;  // not zeroed: read() fills what is used
  std::size_t bufferSize_ = 0;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  std::string line_;
};

// Closes a reader when the scope ends, whatever way it ends.
class GuideReaderCloser {
 public:
  explicit GuideReaderCloser(GuideReader& reader) noexcept : reader_(reader) {}
  ~GuideReaderCloser() { reader_.CloseQuietly(); }
  GuideReaderCloser(const GuideReaderCloser&) = delete;
  GuideReaderCloser& operator=(const GuideReaderCloser&) = delete;

 private:
  GuideReader& reader_;
};

}  // namespace tavren

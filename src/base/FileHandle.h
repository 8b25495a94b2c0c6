#pragma once
// An open POSIX file descriptor owned by one object, closed on every path out
// of the scope that holds it.

#include <unistd.h>

#include <utility>

namespace tavren {

class FileHandle {
 public:
  FileHandle() noexcept = default;
  // Takes ownership of `fd`; a negative value holds nothing.
  explicit FileHandle(int fd) noexcept : fd_(fd) {}
  ~FileHandle() { Close(); }
  FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // The descriptor, or -1 when nothing is held.
  int Get() const noexcept { return fd_; }
  bool IsOpen() const noexcept { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int Release() noexcept { return std::exchange(fd_, -1); }
  // Closes the descriptor now and returns close()'s result (0 when nothing
  // was held); the handle holds nothing afterwards.
  int Close() noexcept {
    const int fd = std::exchange(fd_, -1);
    return fd >= 0 ? ::close(fd) : 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace tavren

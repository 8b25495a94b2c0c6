#include "banner/BannerFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "banner/FileErrorText.h"
#include "base/CodePage.h"
#include "base/Failure.h"
#include "base/FileHandle.h"

namespace tavren {
namespace {

// The name expanded against the current directory, for the failure messages
// (native bytes; UTF-8 on this platform).
std::string FullPath(const std::string& name) {
  std::error_code error;
  const std::filesystem::path directory = std::filesystem::current_path(error);
  if (error) return name;
  return (directory / name).string();
}

EFailure FileFailure(const std::string& name, const char* utf8Verb, const std::string& description) {
  return EFailure(cp932::FromUtf8("ファイル \"" + FullPath(name) + "\" " + utf8Verb + description));
}

EFailure CreateFailure(const std::string& name, int error) {
  return FileFailure(name, "を作成できません。",
                     error == EWOULDBLOCK ? SharingViolationTextUtf8() : FileErrorTextUtf8(error));
}

// Writes through the descriptor it owns; closing it drops the lock.
class LockedFileStream : public ByteStream {
 public:
  explicit LockedFileStream(FileHandle file) noexcept : file_(std::move(file)), stream_(file_.Get()) {}
  void Write(const char* data, std::size_t size) override { stream_.Write(data, size); }

 private:
  FileHandle file_;
  FileDescriptorStream stream_;
};

}  // namespace

LocalBannerFile::LocalBannerFile(std::string name) : name_(std::move(name)) {}

// Opened without O_TRUNC so that a file held by another program is refused
// before anything of it is lost.
std::unique_ptr<ByteStream> LocalBannerFile::Create() {
  FileHandle file(::open(name_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (!file.IsOpen()) throw CreateFailure(name_, errno);
  if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) throw CreateFailure(name_, errno);
  if (::ftruncate(file.Get(), 0) != 0) throw CreateFailure(name_, errno);
  return std::make_unique<LockedFileStream>(std::move(file));
}

std::string LocalBannerFile::ReadBack() {
  const auto failure = [this](int error) { return FileFailure(name_, "は開けません。", FileErrorTextUtf8(error)); };
  FileHandle file(::open(name_.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.IsOpen()) throw failure(errno);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw failure(errno);
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace tavren

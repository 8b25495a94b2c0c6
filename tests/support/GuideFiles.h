#pragma once
// Temporary guide files for the catalogue tests: a fresh folder per fixture,
// files written byte for byte, and helpers to check that nothing stays open.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace tavren::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavren-catalogue-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }

  // Writes `bytes` to `name` in the folder and returns the file's path.
  std::string Write(const std::string& name, std::string_view bytes) const {
    std::string file = path_ + "/" + name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }

 private:
  std::string path_;
};

// Number of descriptors this process has open.
inline int OpenDescriptorCount() {
  int count = 0;
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (::readdir(dir)) ++count;
    ::closedir(dir);
  }
  return count;
}

// True when a writer could take the file now: nobody holds a lock on it.
inline bool WriterCanLock(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return ok;
}

}  // namespace tavren::testing

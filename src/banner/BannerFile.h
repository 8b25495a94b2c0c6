#pragma once
// Where the banner's picture is put down between its fetch and its showing:
// the local banner file, or a twin in memory.

#include "net/ByteStream.h"

#include <memory>
#include <string>

namespace tavren {

class BannerFile {
 public:
  virtual ~BannerFile() = default;
  // Creates the file afresh for writing, held without sharing, and empties
  // it; the stream writes into it from its start and lets the file go when
  // destroyed. Throws EFailure "ファイル "%s" を作成できません。%s" (full path,
  // system's text) and then leaves an existing file as it was.
  virtual std::unique_ptr<ByteStream> Create() = 0;
  // The whole content, read after the writing stream is gone. Throws EFailure
  // "ファイル "%s" は開けません。%s" when the file cannot be opened or read.
  virtual std::string ReadBack() = 0;
};

// A file by its name relative to the current directory at each call
// ("tavren.jpg" in the program). Held with an exclusive flock while written:
// a file another program holds so is refused with the sharing-violation text
// before anything of it is lost.
class LocalBannerFile : public BannerFile {
 public:
  explicit LocalBannerFile(std::string name);
  std::unique_ptr<ByteStream> Create() override;
  std::string ReadBack() override;

 private:
  std::string name_;
};

}  // namespace tavren

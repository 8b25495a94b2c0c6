#pragma once
// A banner file in memory: the bytes written since the last Create, and
// failures to throw instead of creating or reading back.

#include "banner/BannerFile.h"
#include "base/Failure.h"

#include <memory>
#include <optional>
#include <string>

namespace tavren {

class MemoryBannerFile : public BannerFile {
 public:
  std::unique_ptr<ByteStream> Create() override {
    if (createFailure) throw EFailure(*createFailure);
    bytes.clear();
    return std::make_unique<Stream>(bytes);
  }
  std::string ReadBack() override {
    if (readFailure) throw EFailure(*readFailure);
    return bytes;
  }

  std::string bytes;
  // CP932 messages to throw, while set.
  std::optional<std::string> createFailure;
  std::optional<std::string> readFailure;

 private:
  class Stream : public ByteStream {
   public:
    explicit Stream(std::string& target) : target_(target) {}
    void Write(const char* data, std::size_t size) override { target_.append(data, size); }

   private:
    std::string& target_;
  };
};

}  // namespace tavren

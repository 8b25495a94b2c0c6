#pragma once
// Where GetToStream puts a body: a sink of bytes written in order from the
// sink's current position on. Two kinds: a string in memory and an open file
// descriptor that the caller created and keeps owning.

#include "base/Failure.h"

#include <cstddef>
#include <string>
#include <utility>

namespace tavren {

// A sink that could not take the bytes: "ストリームの書き込みエラー".
class EWriteError : public EFailure {
 public:
  EWriteError();
};

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Appends size bytes. Throws EWriteError when they cannot all be written;
  // what was written before stays.
  virtual void Write(const char* data, std::size_t size) = 0;
};

// Appends to a string that it owns.
class StringByteStream : public ByteStream {
 public:
  void Write(const char* data, std::size_t size) override;
  const std::string& Data() const noexcept { return data_; }
  // Hands the bytes over, leaving the stream empty.
  std::string Release() noexcept { return std::move(data_); }

 private:
  std::string data_;
};

// Writes to a file descriptor at its current offset. Does not own the
// descriptor: never closes it.
class FileDescriptorStream : public ByteStream {
 public:
  explicit FileDescriptorStream(int fd) noexcept : fd_(fd) {}
  void Write(const char* data, std::size_t size) override;

 private:
  int fd_;
};

}  // namespace tavren

#include "net/ByteStream.h"

#include "base/CodePage.h"

#include <unistd.h>
#include <cerrno>

namespace tavren {

EWriteError::EWriteError() : EFailure(cp932::FromUtf8("ストリームの書き込みエラー")) {}

void StringByteStream::Write(const char* data, std::size_t size) { data_.append(data, size); }

void FileDescriptorStream::Write(const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd_, data, size);
    if (n < 0 && errno == EINTR) continue;
    // A zero-byte write of a non-empty buffer would loop forever: count it as a failure.
    if (n <= 0) throw EWriteError();
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

}  // namespace tavren

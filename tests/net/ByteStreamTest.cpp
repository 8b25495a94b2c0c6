#include "net/ByteStream.h"

#include "base/CodePage.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdio>

namespace tavren {
namespace {

TEST(ByteStream, FileStreamWritesFromTheCurrentOffset) {
  char name[] = "/tmp/tavren-bytestream-XXXXXX";
  const int fd = ::mkstemp(name);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "head:", 5), 5);
  FileDescriptorStream stream(fd);
  stream.Write("a\0b", 3);
  stream.Write("", 0);
  stream.Write("\xff\r\n", 3);
  char back[32] = {};
  ASSERT_EQ(::pread(fd, back, sizeof back, 0), 11);
  EXPECT_EQ(std::string(back, 11), std::string("head:a\0b\xff\r\n", 11));
  ::close(fd);
  ::unlink(name);
}

TEST(ByteStream, FileStreamFailureIsAWriteError) {
  const int rows[] = {-1, ::open("/dev/null", O_RDONLY), ::open("/dev/full", O_WRONLY)};
  for (int fd : rows) {
    FileDescriptorStream stream(fd);
    try {
      stream.Write("x", 1);
      ADD_FAILURE() << "fd " << fd;
    } catch (const EWriteError& e) {
      EXPECT_EQ(cp932::ToUtf8(e.Message()), "ストリームの書き込みエラー");
    }
    if (fd >= 0) ::close(fd);
  }
}

}  // namespace
}  // namespace tavren

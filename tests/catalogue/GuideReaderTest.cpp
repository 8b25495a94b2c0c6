#include "catalogue/GuideReader.h"

#include "GuideFiles.h"
#include "base/CodePage.h"
#include "base/Failure.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <vector>

namespace tavren {
namespace {

using testing::TempFolder;

std::vector<std::string> ReadAll(const std::string& path, std::size_t readSize = GuideReader::kDefaultReadSize) {
  GuideReader reader(readSize);
  reader.Name(path);
  reader.Open();
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.emplace_back(reader.NextLine());
  reader.Close();
  return lines;
}

int OpenFailure(const std::string& path) {
  GuideReader reader;
  reader.Name(path);
  try {
    reader.Open();
  } catch (const EInOutError& e) {
    return e.ErrorCode();
  }
  return 0;
}

using Lines = std::vector<std::string>;

TEST(GuideReader, CutsLinesAsTheLineTableSays) {
  struct Row {
    std::string bytes;
    Lines lines;
  } rows[] = {
      {"", {}},
      {"a\r\n", {"a"}},
      {"a", {"a"}},
      {"\r\n", {""}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\n\nb", {"a", "", "b"}},
      {"a\rb\r\n", {"ab"}},
      {"a\r\r\n", {"a"}},
      {"a\n\rb\n", {"a", "b"}},
      {"a\r\n\r", {"a", ""}},
      {"abc\x1A"
       "def\r\nghi\r\n",
       {"abc"}},
      {"a\r\n\x1A"
       "b\r\n",
       {"a"}},
      {"\x1A"
       "abc\r\n",
       {}},
      {"pq\rrs\n", {"pqrs"}},
      {"a\nb\r\nc", {"a", "b", "c"}},
      {"a\r\x1A"
       "b",
       {"a"}},
      {std::string("a\0b\n\x80\xFF\n", 7), {std::string("a\0b", 3), "\x80\xFF"}},
  };
  TempFolder folder;
  for (const Row& row : rows) {
    std::string path = folder.Write("guide.lst", row.bytes);
    // Tiny reads put every byte at the edge of a read once.
    for (std::size_t readSize : {GuideReader::kDefaultReadSize, std::size_t{1}, std::size_t{2}, std::size_t{3}})
      EXPECT_EQ(ReadAll(path, readSize), row.lines) << "file bytes: " << row.bytes << ", reads of " << readSize;
  }
}

// A simple byte-at-a-time model of the line rules, to check the buffered
// reader where line ends, CRs and the end mark straddle its large reads.
Lines ModelLines(const std::string& bytes) {
  Lines lines;
  std::size_t i = 0;
  const std::size_t stop = std::min(bytes.find('\x1A'), bytes.size());
  while (i < stop) {
    std::string line;
    for (;;) {
      if (i == stop) break;
      char c = bytes[i];
      if (c == '\n') {
        ++i;
        break;
      }
      if (c == '\r') {
        ++i;
        if (i < stop && bytes[i] == '\n') {
          ++i;
          break;
        }
        continue;
      }
      line += c;
      ++i;
    }
    lines.push_back(line);
  }
  return lines;
}

TEST(GuideReader, LineEndsAcrossLargeReads) {
  const std::size_t chunk = 1 << 20;
  struct Row {
    const char* what;
    std::size_t pad;  // bytes of 'x' before the tail
    std::string tail;
  } rows[] = {
      {"CR LF split between reads", chunk - 1, "\r\nnext\r\n"},
      {"lone CR at the end of a read", chunk - 1, "\rb\n"},
      {"CR ending the file after a read", chunk - 1, "\r"},
      {"LF first in the next read", chunk, "\nafter"},
      {"end mark first in the next read", chunk,
       "\x1A"
       "ignored\n"},
      {"CR then end mark across reads", chunk - 1,
       "\r\x1A"
       "z"},
      {"line longer than two reads", 2 * chunk + 17, "\r\nshort\n"},
  };
  TempFolder folder;
  for (const Row& row : rows) {
    std::string bytes = "head\r\n" + std::string(row.pad - 6, 'x') + row.tail;
    std::string path = folder.Write("big.lst", bytes);
    EXPECT_EQ(ReadAll(path), ModelLines(bytes)) << row.what;
  }
}

TEST(GuideReader, AtEndStaysTrueAtTheEndMark) {
  TempFolder folder;
  GuideReader reader;
  reader.Name(folder.Write("g.lst",
                           "ab\x1A"
                           "cd\r\n"));
  reader.Open();
  ASSERT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.NextLine(), "ab");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_TRUE(reader.AtEnd());
  reader.Close();
}

TEST(GuideReader, ReopenReadsFromTheFirstByteAgain) {
  TempFolder folder;
  GuideReader reader;
  reader.Name(folder.Write("g.lst", "one\r\ntwo\r\n"));
  reader.Open();
  EXPECT_EQ(reader.NextLine(), "one");
  reader.Close();
  EXPECT_FALSE(reader.IsOpen());
  reader.Open();
  EXPECT_EQ(reader.NextLine(), "one");
  EXPECT_EQ(reader.NextLine(), "two");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(GuideReader, RefusalNumbersAndMessages) {
  TempFolder folder;
  std::string file = folder.Write("g.lst", "x\n");
  std::string fifo = folder.Path() + "/pipe.lst";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  struct Row {
    std::string path;
    int number;
    const char* message;
  } rows[] = {
      {folder.Path() + "/missing.lst", 2, "ファイルが見つかりません"},
      {folder.Path() + "/no-folder/g.lst", 3, "ファイル名の指定が間違っています"},
      {folder.Path() + "/a/b/c/g.lst", 3, "ファイル名の指定が間違っています"},
      {file + "/g.lst", 3, "ファイル名の指定が間違っています"},
      {folder.Path(), 5, "ファイルへのアクセスが拒否されました"},
      {fifo, 5, "ファイルへのアクセスが拒否されました"},
      {"", 3, "ファイル名の指定が間違っています"},
      {std::string("bad\0name", 8), 3, "ファイル名の指定が間違っています"},
      {folder.Path() + "/" + std::string(300, 'n'), 10000 + ENAMETOOLONG, "I/O エラー (10036)"},
  };
  for (const Row& row : rows) {
    GuideReader reader;
    reader.Name(row.path);
    try {
      reader.Open();
      ADD_FAILURE() << "opened " << row.path;
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.ErrorCode(), row.number) << row.path;
      EXPECT_EQ(cp932::ToUtf8(e.Message()), row.message) << row.path;
    }
    EXPECT_FALSE(reader.IsOpen());
  }
}

TEST(GuideReader, UnnamedReaderRefusesWith102) {
  GuideReader reader;
  try {
    reader.Open();
    FAIL() << "opened an unnamed reader";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), 102);
    EXPECT_EQ(cp932::ToUtf8(e.Message()), "I/O エラー (102)");
  }
}

TEST(GuideReader, ErrnoNumbersNeverTakeTheFixedMeanings) {
  struct Row {
    int err;
    int number;
  } rows[] = {
      {ENOENT, 2},
      {ENOTDIR, 3},
      {EMFILE, 4},
      {ENFILE, 4},
      {EACCES, 5},
      {EPERM, 5},
      {EISDIR, 5},
      // Linux numbers equal to the fixed ones must not be shown as them.
      {EIO, 10000 + EIO},
      {ESRCH, 10000 + ESRCH},
      {EINTR, 10000 + EINTR},
      {ENOMEM, 10000 + ENOMEM},
      {ELOOP, 10000 + ELOOP},
  };
  for (const Row& row : rows) EXPECT_EQ(InOutErrorNumber(row.err), row.number) << "errno " << row.err;
}

TEST(GuideReader, TooManyOpenFilesIs4) {
  TempFolder folder;
  std::string file = folder.Write("g.lst", "x\n");
  // The undefined-behaviour sanitizer checks an object's dynamic type the
  // first time it meets it, and that check needs free descriptors (it probes
  // memory through a pipe): one failure while descriptors are free lets the
  // failure below run with none left.
  ASSERT_EQ(OpenFailure(folder.Path() + "/missing.lst"), 2);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> held;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) held.push_back(fd);
  int number = OpenFailure(file);
  for (int fd : held) ::close(fd);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(number, 4);
}

TEST(GuideReader, NoReadPermissionIs5) {
  TempFolder folder;
  std::string file = folder.Write("g.lst", "x\n");
  ASSERT_EQ(::chmod(file.c_str(), 0), 0);
  if (::geteuid() != 0) {
    EXPECT_EQ(OpenFailure(file), 5);
    return;
  }
  // Root reads any file, so try as an ordinary user in a child process.
  ::chmod(folder.Path().c_str(), 0755);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    ::_exit(OpenFailure(file));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 99) GTEST_SKIP() << "this system does not let root become an ordinary user";
  EXPECT_EQ(WEXITSTATUS(status), 5);
}

TEST(GuideReader, OthersMayReadButNotWriteWhileOpen) {
  TempFolder folder;
  std::string file = folder.Write("g.lst", "x\n");
  GuideReader reader;
  reader.Name(file);
  reader.Open();
  {
    GuideReader second;
    second.Name(file);
    EXPECT_NO_THROW(second.Open()) << "a second reader is let in";
  }
  EXPECT_FALSE(testing::WriterCanLock(file));
  reader.Close();
  EXPECT_TRUE(testing::WriterCanLock(file));
}

TEST(GuideReader, AFileHeldByAWriterCannotBeOpened) {
  TempFolder folder;
  std::string file = folder.Write("g.lst", "x\n");
  int writer = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);
  GuideReader reader;
  reader.Name(file);
  try {
    reader.Open();
    ADD_FAILURE() << "opened a file held by a writer";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kSharingViolation);
    EXPECT_EQ(cp932::ToUtf8(e.Message()), "I/O エラー (32)");
  }
  ::close(writer);
}

TEST(GuideReader, FailedOpensLeaveNothingOpen) {
  TempFolder folder;
  int before = testing::OpenDescriptorCount();
  for (const std::string& path : {folder.Path(), folder.Path() + "/missing", std::string()}) OpenFailure(path);
  EXPECT_EQ(testing::OpenDescriptorCount(), before);
}

}  // namespace
}  // namespace tavren

// The local banner file: created afresh, emptied, refused while another
// program holds it (nothing of it lost), read back, and the messages of each
// refusal with the file's full path.

#include "banner/BannerFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include "Sjis.h"
#include "base/Failure.h"

namespace tavren::test {
namespace {

struct BannerFileTest : ::testing::Test {
  QTemporaryDir dir;
  std::string path = QDir(dir.path()).filePath(QStringLiteral("tavren.jpg")).toStdString();
  LocalBannerFile file{path};

  void Seed(const char* bytes) {
    QFile seed(QString::fromStdString(path));
    ASSERT_TRUE(seed.open(QIODevice::WriteOnly));
    seed.write(bytes);
  }
  std::string Content() {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : "<missing>";
  }
  template <typename F>
  static std::string Failure(F&& run) {
    try {
      run();
    } catch (const EFailure& e) {
      return e.Message();
    }
    return {};
  }
};

TEST_F(BannerFileTest, CreateEmptiesWritesAndReadsBack) {
  Seed("an older and longer picture");
  {
    const auto stream = file.Create();
    EXPECT_EQ(Content(), "");
    stream->Write("new", 3);
  }
  EXPECT_EQ(Content(), "new");
  EXPECT_EQ(file.ReadBack(), "new");
}

TEST_F(BannerFileTest, RefusalsNameTheFullPathAndTheReason) {
  int holder = -1;
  struct Row {
    const char* name;
    std::function<void()> block;
    bool create;  // the refusal comes at Create, else at ReadBack
    const char* reason;
  };
  const Row rows[] = {
      {"a folder in the way", [&] { QDir().mkdir(QString::fromStdString(path)); }, true, "アクセスが拒否されました"},
      {"held by another program",
       [&] {
         Seed("held bytes");
         holder = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
         ::flock(holder, LOCK_EX);
       },
       true, "プロセスはファイルにアクセスできません。別のプロセスが使用中です"},
      {"gone before reading", [] {}, false, "指定されたファイルが見つかりません"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    r.block();
    const std::string verb = r.create ? "\" を作成できません。" : "\" は開けません。";
    const std::string expected = Sjis(("ファイル \"" + path + verb + r.reason).c_str());
    EXPECT_EQ(Failure([&] { r.create ? (void)file.Create() : (void)file.ReadBack(); }), expected);
    if (holder >= 0) {
      EXPECT_EQ(Content(), "held bytes");  // nothing of it lost
      ::close(holder);
      holder = -1;
    }
    QDir().rmdir(QString::fromStdString(path));
    QFile::remove(QString::fromStdString(path));
  }
}

}  // namespace
}  // namespace tavren::test

// The alias file, loaded as the program loads it, under a Chinese locale:
// kanji in every layout family must come out of a Japanese (IPA or Motoya)
// face, never the Chinese fallback the locale would pick.

#include "app/FontAliases.h"
#include "ui/Fonts.h"

#include <QApplication>
#include <QFont>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace tavren {
namespace {

// The families of the faces that draw `text` in `font`, in run order.
QStringList DrawingFamilies(const QFont& font, const QString& text) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  QStringList families;
  for (const QGlyphRun& run : layout.glyphRuns()) families << run.rawFont().familyName();
  return families;
}

bool IsJapaneseFace(const QString& family) {
  return family.startsWith(QStringLiteral("IPA")) || family.startsWith(QStringLiteral("Motoya"));
}

class FontAliasTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ::setenv("LANG", "zh_CN.UTF-8", 1);
    ::setenv("LC_ALL", "zh_CN.UTF-8", 1);
    ::setenv("LANGUAGE", "zh_CN", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    loaded_ = LoadFontAliases(TAVREN_BUILD_TREE_FONT_ALIASES);
    static int argc = 1;
    static char name[] = "app_FontAliasTest";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app_;
    app_ = nullptr;
  }
  static inline bool loaded_ = false;
  static inline QApplication* app_ = nullptr;
};

TEST_F(FontAliasTest, KanjiOfEveryLayoutFamilyComeFromAJapaneseFace) {
  ASSERT_TRUE(loaded_);
  struct Row {
    const char* family;
    bool throughWindowsFont;  // the layouts' own font lists, or the bare family name
    const char* text;
    const char* expectedPrefix;  // the face the alias names
  };
  const Row rows[] = {
      {"ＭＳ Ｐゴシック", false, "漢字直角", "IPAPGothic"},
      {"ＭＳ Ｐゴシック", true, "漢字直角", "IPAPGothic"},
      {"ＭＳ 明朝", false, "明朝体の漢字骨", "IPAMincho"},
      {"ＭＳ 明朝", true, "明朝体の漢字骨", "IPAMincho"},
      {"MS Mincho", false, "誤写直角", "IPAMincho"},
      {"ＭＳ ゴシック", false, "漢字直角", "IPAGothic"},
      {"ＤＦＰまるもじ体W9", true, "お知らせ", "Motoya"},
      {"Tahoma", true, "漢字", ""},
      // Web pages that name only a generic family.
      {"sans-serif", false, "漢字直角", "IPAPGothic"},
      {"serif", false, "明朝体の漢字骨", "IPAPMincho"},
      {"monospace", false, "漢字直角", "IPAGothic"},
  };
  for (const Row& row : rows) {
    const QString family = QString::fromUtf8(row.family);
    const QFont font = row.throughWindowsFont ? WindowsFont(family, 15) : QFont(family);
    const QStringList drawn = DrawingFamilies(font, QString::fromUtf8(row.text));
    SCOPED_TRACE(std::string(row.family) + (row.throughWindowsFont ? " (layout font)" : " (bare)") + " -> " +
                 drawn.join(QStringLiteral(", ")).toStdString());
    ASSERT_FALSE(drawn.isEmpty());
    for (const QString& face : drawn) {
      EXPECT_TRUE(IsJapaneseFace(face));
      EXPECT_TRUE(face.startsWith(QString::fromUtf8(row.expectedPrefix)));
    }
  }
}

TEST(FontAliasFileTest, InstalledCopyWinsOverTheBuildTree) {
  const std::filesystem::path prefix = std::filesystem::temp_directory_path() / "tavren-font-alias-test";
  std::filesystem::remove_all(prefix);
  std::filesystem::create_directories(prefix / "bin");
  const std::string installed = (prefix / "share/tavren/fonts/tavren-fonts.conf").string();
  const std::string buildTree = "/src/data/fonts/tavren-fonts.conf";
  struct Row {
    const char* what;
    std::string executableDir;
    bool installedCopyExists;
    std::string expected;
  };
  const Row rows[] = {
      {"installed next to the program", (prefix / "bin").string(), true, installed},
      {"run from the build tree", (prefix / "bin").string(), false, buildTree},
      {"executable directory unknown", "", true, buildTree},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::filesystem::remove_all(prefix / "share");
    if (row.installedCopyExists) {
      std::filesystem::create_directories(prefix / "share/tavren/fonts");
      std::ofstream(installed) << "<fontconfig/>\n";
    }
    EXPECT_EQ(FontAliasFile(row.executableDir, buildTree), row.expected);
  }
  std::filesystem::remove_all(prefix);
}

TEST(LoadFontAliasesTest, RefusesWhatIsNotAnAliasFile) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tavren-font-load-test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "broken.conf") << "<fontconfig><alias>";
  struct Row {
    std::string path;
    bool expected;
  };
  const Row rows[] = {
      {(dir / "missing.conf").string(), false},
      {(dir / "broken.conf").string(), false},
      {dir.string(), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(LoadFontAliases(row.path), row.expected);
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tavren

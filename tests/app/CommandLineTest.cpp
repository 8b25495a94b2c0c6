// The program's command line: what it asks for, and what the program itself
// answers when started without any display (so an answer proves that no
// window was attempted first).

#include "app/CommandLine.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tavren {
namespace {

using Action = CommandLine::Action;

TEST(CommandLineTest, ReadsTheArguments) {
  struct Row {
    std::vector<const char*> arguments;
    Action action;
    std::optional<std::string> guide;
    std::string problem;
  };
  const Row rows[] = {
      {{}, Action::Run, std::nullopt, ""},
      {{"onsen.lst"}, Action::Run, "onsen.lst", ""},
      {{"--", "--odd.lst"}, Action::Run, "--odd.lst", ""},
      {{"-h"}, Action::Help, std::nullopt, ""},
      {{"-platform", "offscreen"}, Action::Usage, std::nullopt, "unknown option -platform"},
      {{"a.lst", "b.lst"}, Action::Usage, std::nullopt, "only one guide file can be opened"},
      {{"a.lst", "--version"}, Action::Usage, std::nullopt, "--version takes no other argument"},
  };
  for (const Row& row : rows) {
    const CommandLine line = ParseCommandLine(row.arguments);
    SCOPED_TRACE(row.arguments.empty() ? "(none)" : row.arguments.front());
    EXPECT_EQ(line.action, row.action);
    EXPECT_EQ(line.guide, row.guide);
    EXPECT_EQ(line.problem, row.problem);
  }
}

TEST(CommandLineTest, ProgramAnswersBeforeAnyWindow) {
  struct Row {
    QStringList arguments;
    int status;
    std::string out;  // the start of standard output
    std::string err;  // the start of standard error
  };
  const Row rows[] = {
      {{QStringLiteral("--help")}, 0, "Usage: tavren [GUIDE]\n", ""},
      {{QStringLiteral("--version")}, 0, "tavren " TAVREN_VERSION "\n", ""},
      {{QStringLiteral("--bogus")}, 2, "", "tavren: unknown option --bogus\nUsage: tavren [GUIDE]\n"},
      {{QStringLiteral("a.lst"), QStringLiteral("b.lst")}, 2, "", "tavren: only one guide file can be opened\n"},
  };
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.arguments.join(QLatin1Char(' ')).toStdString());
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(TAVREN_PROGRAM), row.arguments);
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), row.status);
    const std::string out = program.readAllStandardOutput().toStdString();
    const std::string err = program.readAllStandardError().toStdString();
    EXPECT_TRUE(out.starts_with(row.out) && (row.out.empty() == out.empty())) << out;
    EXPECT_TRUE(err.starts_with(row.err) && (row.err.empty() == err.empty())) << err;
  }
}

}  // namespace
}  // namespace tavren

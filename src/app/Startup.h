#pragma once
// The program's start-up and shutdown order, apart from what is built: the
// windows come from a ProgramParts, so a test can run the same order with
// windows of its own and record it.

#include <QString>

#include <memory>
#include <optional>
#include <string>

class QWidget;

namespace tavren {

class Dialogs;

// What the start-up order builds.
class ProgramParts {
 public:
  virtual ~ProgramParts() = default;

  // Why the program cannot run in this process (the web engine refusing to
  // start, for instance), or an empty text when it can.
  virtual QString PlatformProblem() = 0;
  // The dialogs that show a start-up failure.
  virtual Dialogs& StartupDialogs() = 0;
  // A notice window: created, fetched and shown by the time it returns.
  virtual std::unique_ptr<QWidget> MakeNoticeWindow() = 0;
  // The main window, created (its own pause and home page included) but not
  // yet shown.
  virtual std::unique_ptr<QWidget> MakeMainWindow() = 0;
  // Loads the guide at `path` (native file-name bytes) into `mainWindow`,
  // the window MakeMainWindow made, as its load command does once the open
  // dialog has answered; shows its own failures.
  virtual void OpenGuide(QWidget& mainWindow, const std::string& path) = 0;
};

// Runs the program on an existing QApplication:
//  0. the program's accessibility roles are installed (InstallAccessibleRoles),
//     so that a screen reader finds its windows as windows;
//  1. a platform problem is shown in the error box and 1 is returned, with
//     no window made;
//  2. the first notice window is made and painted before anything else;
//  3. the main window is made;
//  4. the second notice window is made;
//  5. the main window is shown (it centres itself when first shown);
//  6. events are handled until the main window closes, whatever other
//     windows are still open; the first thing handled is opening `guide`,
//     when one is given, unless the main window has gone by then;
//  7. the main window is destroyed, then the second notice window, then the
//     first.
// Returns the event loop's exit status.
int RunProgram(ProgramParts& parts, const std::optional<std::string>& guide = std::nullopt);

// Paints `window` on screen now, before the event loop runs: waits at most
// `exposeWaitMs` for the windowing system to map it, handling window-system
// events but no user input meanwhile, then repaints it and flushes.
void PaintNow(QWidget& window, int exposeWaitMs = 1000);

}  // namespace tavren

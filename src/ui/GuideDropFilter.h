#pragma once
// Drops on the main window. A guide file dropped anywhere on the window, the
// web view included, is handed on to be loaded, and the page never sees it;
// every other drag goes on to the widget under it, so a page's own drag and
// drop (a file on an upload area, text into a form) works. The web view
// itself never opens a dropped file as a page (the browser's
// NavigateOnDropEnabled is off).

#include <QObject>

#include <functional>
#include <optional>
#include <string>

class QMimeData;
class QWidget;

namespace tavren {

// The guide file a drag carries: exactly one local file whose name ends in
// ".lst" or ".csv" (in any case), as native file-name bytes. Nothing for any
// other drag (no file, several files, a web address, plain text).
std::optional<std::string> DroppedGuideFile(const QMimeData* data);

class GuideDropFilter : public QObject {
 public:
  using OpenGuide = std::function<void(const std::string& path)>;

  // Watches `root` and every widget inside it, those made later included
  // (the web engine replaces its drop target as pages load), but not the
  // widgets of other windows such as dialogs; `root` is made to accept
  // drops. A dropped guide is accepted as a copy (never a move, which would
  // let the file manager delete the file), and its path goes to `open` once
  // the drop event has returned, so the drag source is never kept waiting on
  // what loading shows. The filter is owned by `root`.
  GuideDropFilter(QWidget& root, OpenGuide open);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Watch(QObject& object);
  // Answers a drag event that reached the window; true when it took it (a
  // guide, or the leave of a guide's drag).
  bool TakeDrag(QEvent& event);

  QWidget& root_;
  OpenGuide open_;
  bool takingGuide_ = false;
};

}  // namespace tavren

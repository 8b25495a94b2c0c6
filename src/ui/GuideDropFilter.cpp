#include "ui/GuideDropFilter.h"

#include <QChildEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <utility>

namespace tavren {
namespace {

// Copy, else link; a drag that offers neither is refused.
bool AcceptWithoutMove(QDropEvent& event) {
  for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
    if (event.possibleActions().testFlag(action)) {
      event.setDropAction(action);
      event.accept();
      return true;
    }
  }
  event.ignore();
  return false;
}

}  // namespace

std::optional<std::string> DroppedGuideFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return std::nullopt;
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return std::nullopt;
  const QString path = urls.front().toLocalFile();
  if (!path.endsWith(QStringLiteral(".lst"), Qt::CaseInsensitive) &&
      !path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
    return std::nullopt;
  }
  return QFile::encodeName(path).toStdString();
}

GuideDropFilter::GuideDropFilter(QWidget& root, OpenGuide open) : QObject(&root), root_(root), open_(std::move(open)) {
  root.setAcceptDrops(true);
  Watch(root);
}

void GuideDropFilter::Watch(QObject& object) {
  object.installEventFilter(this);
  for (QObject* child : object.children()) {
    if (child->isWidgetType()) Watch(*child);
  }
}

bool GuideDropFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ChildAdded: {
      QObject* child = static_cast<QChildEvent*>(event)->child();
      if (child->isWidgetType()) Watch(*child);
      break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::DragLeave:
    case QEvent::Drop:
      // A dialog made as the window's child is a window of its own, and its
      // drops are its own business. Whether a widget is one is known only
      // once it is fully made, so this is asked at each drag.
      if (static_cast<QWidget*>(watched)->window() != root_.window()) break;
      return TakeDrag(*event);
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

bool GuideDropFilter::TakeDrag(QEvent& event) {
  // A leave belongs to whoever had the drag it ends.
  if (event.type() == QEvent::DragLeave) return std::exchange(takingGuide_, false);
  auto& drag = static_cast<QDropEvent&>(event);
  std::optional<std::string> path = DroppedGuideFile(drag.mimeData());
  takingGuide_ = path.has_value() && event.type() != QEvent::Drop;
  // Anything else is the page's (or the widget's) own drag and drop.
  if (!path) return false;
  if (AcceptWithoutMove(drag) && event.type() == QEvent::Drop) {
    QMetaObject::invokeMethod(
        this, [this, guide = std::move(*path)] { open_(guide); }, Qt::QueuedConnection);
  }
  return true;
}

}  // namespace tavren

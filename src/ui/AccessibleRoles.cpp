#include "ui/AccessibleRoles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFrame>
#include <QWidget>

namespace tavren {
namespace {

QAccessibleInterface* InterfaceWithOwnRole(const QString& className, QObject* object) {
  if (!object->isWidgetType()) return nullptr;
  auto* widget = static_cast<QWidget*>(object);
  if (className == QLatin1String("tavren::PictureBox")) return new QAccessibleWidget(widget, QAccessible::Graphic);
  // Qt makes every frame a border, which the desktop's bus calls a frame, as
  // it calls a window: a panel that paints its own edge would read as a
  // window inside the window.
  if (className == QLatin1String("QFrame") && static_cast<QFrame*>(widget)->frameShape() == QFrame::NoFrame) {
    return new QAccessibleWidget(widget, QAccessible::Client);
  }
  // Qt asks the factories class by class from the most derived one up, so a
  // widget reaches "QWidget" only when nothing answered for a class of its
  // own: a window made straight from QWidget.
  if (className != QLatin1String("QWidget") || !widget->isWindow()) return nullptr;
  switch (widget->windowType()) {
    case Qt::Window:
    case Qt::Tool:
      return new QAccessibleWidget(widget, QAccessible::Window);
    case Qt::Dialog:
    case Qt::Sheet:
      return new QAccessibleWidget(widget, QAccessible::Dialog);
    default:
      // Pop-ups, hints and splash screens are no windows a reader lands in.
      return nullptr;
  }
}

}  // namespace

void InstallAccessibleRoles() {
  static const bool installed = [] {
    QAccessible::installFactory(InterfaceWithOwnRole);
    return true;
  }();
  (void)installed;
}

}  // namespace tavren

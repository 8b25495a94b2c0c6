#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace tavren {

QPoint CentredPosition(QSize screen, QSize window) noexcept {
  return QPoint(std::max(0, (screen.width() - window.width()) / 2),
                std::max(0, (screen.height() - window.height()) / 2));
}

void MoveToScreenCentre(QWidget& window) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  QSize outer = window.frameGeometry().size();
  if (outer.width() < window.width() || outer.height() < window.height()) outer = window.size();
  window.move(area.topLeft() + CentredPosition(area.size(), outer));
}

}  // namespace tavren

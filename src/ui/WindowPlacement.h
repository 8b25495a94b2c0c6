#pragma once
// Where the windows place themselves: centred on the primary screen.

#include <QPoint>
#include <QSize>

class QWidget;

namespace tavren {

// The top-left corner that centres a window of `window` size on a screen of
// `screen` size; neither coordinate is below 0.
QPoint CentredPosition(QSize screen, QSize window) noexcept;

// Moves `window` so that its frame (or, before the windowing system has given
// it one, its own size) is centred on the primary screen. Does nothing
// without a screen.
void MoveToScreenCentre(QWidget& window);

}  // namespace tavren

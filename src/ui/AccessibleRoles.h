#pragma once
// What a screen reader is told about the program's windows and pictures
// beyond what Qt tells by itself.

namespace tavren {

// Installs, once per process (later calls do nothing), the accessibility
// factory that gives:
//  - every top-level plain QWidget (the main window, the notice windows,
//    any other window built on a bare QWidget) the role of a window, or of
//    a dialog when its window type is Qt::Dialog or Qt::Sheet; Qt alone
//    gives such a window the role of a filler inside nothing. Its name is
//    its accessible name, else its caption.
//  - every PictureBox the role of a picture (Qt alone: a filler), named by
//    its accessible name;
//  - every frame that draws no frame of its own (a panel such as the notice
//    window's) the role of a plain part of the window, as a bare QWidget
//    has (Qt alone: a border, which the desktop calls a frame, like a
//    window).
// Widgets that already have a more specific interface (dialogs, message
// boxes, menus, hints, the web engine's view) keep it. Needs the
// QApplication; safe to call before any window exists.
void InstallAccessibleRoles();

}  // namespace tavren

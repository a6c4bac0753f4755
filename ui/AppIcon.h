#pragma once

// The program's own icon, drawn in code so that no image plugin or resource
// file is needed: a sheet of log lines with a quill across it. The same
// design ships as data/quillet.svg for the desktop entry.

#include <QIcon>
#include <QPixmap>

namespace quillet::ui {

// The icon at `size` x `size` pixels.
QPixmap AppIconPixmap(int size);

// The icon in the sizes a window system asks for (16 to 64 pixels).
QIcon AppIcon();

}  // namespace quillet::ui

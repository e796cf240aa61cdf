#pragma once
// Keeping a window out of the desktop's taskbar and pager. A tool window is not enough for every
// taskbar (some list utility windows), so on X11 the window also carries the skip-taskbar and
// skip-pager states. Nothing happens on other platforms.
class QWidget;

namespace chronolin {

// Call from the window's show event (before it is mapped) and whenever it is shown again: the
// window manager forgets the states when it withdraws the window.
void KeepOutOfTaskbar(QWidget& window);

}  // namespace chronolin

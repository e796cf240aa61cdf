#pragma once
// The frame of a dialog whose size is fixed: a title with a close button and nothing to
// minimise or maximise. Without Qt::CustomizeWindowHint the window manager is told nothing
// and gives every window its full set of buttons.
#include <QWidget>

namespace chronolin {

inline void SetFixedDialogFrame(QWidget& dialog, bool staysOnTop = false) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint;
  if (staysOnTop) flags |= Qt::WindowStaysOnTopHint;
  dialog.setWindowFlags(flags);
}

}  // namespace chronolin

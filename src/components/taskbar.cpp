#include "components/taskbar.h"

#include <QGuiApplication>
#include <QWidget>

#include "platform/x11_windows.h"

namespace chronolin {

void KeepOutOfTaskbar(QWidget& window) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11) return;
  // The toolkit's own connection, so that the states reach the server before its map request.
  SkipTaskbarAndPager(x11->connection(), static_cast<std::uint32_t>(window.winId()));
}

}  // namespace chronolin

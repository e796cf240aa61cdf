#include "components/default_colormap.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWindow>

#include "platform/x11_windows.h"

namespace chronolin {
namespace {

class ColormapFilter : public QObject {
 public:
  ColormapFilter(QGuiApplication& app, xcb_connection_t* connection)
      : QObject(&app), connection_(connection) {
    app.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Told once the window system has made the window, before it is shown.
    if (event->type() != QEvent::PlatformSurface || !watched->isWindowType() ||
        static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() !=
            QPlatformSurfaceEvent::SurfaceCreated)
      return false;
    auto* window = static_cast<QWindow*>(watched);
    if (window->type() != Qt::ForeignWindow)
      UseDefaultColormap(connection_, static_cast<std::uint32_t>(window->winId()));
    return false;
  }

 private:
  xcb_connection_t* connection_;
};

}  // namespace

void UseDefaultColormaps(QGuiApplication& app) {
  auto* x11 = app.nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  new ColormapFilter(app, x11->connection());  // owned by the application
}

}  // namespace chronolin

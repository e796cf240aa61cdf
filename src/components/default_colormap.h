#pragma once
// The toolkit gives each visual a colormap of its own, and so every window of the program one
// that is not the screen's. Screen captures that read the screen window by window (xwd) then
// return a window lying over another of the program's windows (a message box over the journal
// viewer, a context menu over the settings dialog) as solid black, though the screen shows it
// drawn. On X11 the program's windows of the default visual take the screen's default colormap
// as soon as they are made; nothing happens elsewhere.
class QGuiApplication;

namespace chronolin {

// Once, right after the application is made: windows made before are left as they are.
void UseDefaultColormaps(QGuiApplication& app);

}  // namespace chronolin

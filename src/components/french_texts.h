#pragma once
// Qt's own texts (the standard buttons, the file dialog, the context menus of the edits) in
// French, like every text of the program, whatever the session's language.
class QCoreApplication;
class QFileDialog;

namespace chronolin {

// Installs Qt's French translations in the application. False when they are not installed
// (Debian's qt6-translations-l10n), in which case Qt's English texts show.
bool InstallFrenchTexts(QCoreApplication& app);

// Qt's own file dialog rather than the desktop's (which would speak the session's language),
// large enough for its name, size, type and date columns to show whole.
void PrepareFileDialog(QFileDialog& dialog);

}  // namespace chronolin

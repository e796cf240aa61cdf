#pragma once
// A window showing the connection journal, scrolled to its last line, where the latest
// connections are. Read-only: the journal is only ever appended to or cleared by the program.
// While open it follows the file: new lines and a clear show at once, and it stays at the end
// unless the user has scrolled up to read.
#include <QFileSystemWatcher>
#include <QPlainTextEdit>
#include <QWidget>
#include <filesystem>

namespace chronolin {

class TJournalViewerForm : public QWidget {
 public:
  TJournalViewerForm();

  // Reads the file, shows the window (raising it when already open) and scrolls to the end.
  // Throws std::runtime_error when the file cannot be read.
  void ShowJournal(const std::filesystem::path& path);
  // Reads the file again when the window is open; nothing otherwise.
  void Reload();
  // Whether the user has moved away from the last line (then a reload keeps the place).
  bool AtEnd() const;

  QPlainTextEdit& Text() { return text_; }

 private:
  void Load();
  void Watch();
  void FileChanged();

  std::filesystem::path path_;
  QPlainTextEdit text_;
  QFileSystemWatcher watcher_;
};

}  // namespace chronolin

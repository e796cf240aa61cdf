#pragma once
// A window showing the connection journal, scrolled to its last line, where the latest
// connections are. Read-only: the journal is only ever appended to or cleared by the program.
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

  QPlainTextEdit& Text() { return text_; }

 private:
  void Load();

  std::filesystem::path path_;
  QPlainTextEdit text_;
};

}  // namespace chronolin

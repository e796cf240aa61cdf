#include "counter/journal_viewer_form.h"

#include <QFile>
#include <QFontDatabase>
#include <QScrollBar>
#include <QStringDecoder>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <stdexcept>

namespace chronolin {

TJournalViewerForm::TJournalViewerForm() : QWidget(nullptr, Qt::Window) {
  setWindowTitle(QStringLiteral("Connexions.txt - Chronolin"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(&text_);
  text_.setReadOnly(true);
  text_.setLineWrapMode(QPlainTextEdit::NoWrap);
  text_.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  resize(640, 400);
  // The file itself for appends and truncation; its folder for a file replaced or removed,
  // which the watch on the file does not survive.
  QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { FileChanged(); });
  QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
                   [this] { FileChanged(); });
}

bool TJournalViewerForm::AtEnd() const {
  const QScrollBar* bar = text_.verticalScrollBar();
  return bar->value() >= bar->maximum();
}

void TJournalViewerForm::Watch() {
  const QString file = QString::fromStdString(path_.string());
  const QString folder = QString::fromStdString(path_.parent_path().string());
  if (!watcher_.files().contains(file) && QFile::exists(file)) watcher_.addPath(file);
  if (!folder.isEmpty() && !watcher_.directories().contains(folder)) watcher_.addPath(folder);
}

void TJournalViewerForm::FileChanged() {
  if (!isVisible() || path_.empty()) return;
  Watch();
  QScrollBar* bar = text_.verticalScrollBar();
  const bool atEnd = AtEnd();
  const int place = bar->value();
  const int column = text_.horizontalScrollBar()->value();
  try {
    Load();
  } catch (const std::exception&) {
    text_.clear();  // removed: nothing to show
  }
  bar->setValue(atEnd ? bar->maximum() : std::min(place, bar->maximum()));
  text_.horizontalScrollBar()->setValue(column);
}

void TJournalViewerForm::ShowJournal(const std::filesystem::path& path) {
  if (path != path_ && !watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  path_ = path;
  Load();
  Watch();
  show();
  raise();
  activateWindow();
  text_.verticalScrollBar()->setValue(text_.verticalScrollBar()->maximum());
}

void TJournalViewerForm::Reload() {
  if (!isVisible() || path_.empty()) return;
  Load();
}

void TJournalViewerForm::Load() {
  QFile file(QString::fromStdString(path_.string()));
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("Impossible de lire " + path_.string());
  const QByteArray bytes = file.readAll();
  // The program writes UTF-8; a journal carried over from an 8-bit code page still reads.
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text.endsWith(u'\n')) text.chop(1);
  text_.setPlainText(text);
  text_.moveCursor(QTextCursor::End);
  text_.moveCursor(QTextCursor::StartOfLine);
  text_.ensureCursorVisible();
  text_.verticalScrollBar()->setValue(text_.verticalScrollBar()->maximum());
}

}  // namespace chronolin

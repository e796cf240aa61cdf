#include "counter/journal_viewer_form.h"

#include <QFile>
#include <QFontDatabase>
#include <QScrollBar>
#include <QStringDecoder>
#include <QVBoxLayout>
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
}

void TJournalViewerForm::ShowJournal(const std::filesystem::path& path) {
  path_ = path;
  Load();
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

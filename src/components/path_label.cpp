#include "components/path_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QResizeEvent>

namespace chronolin {

namespace {
constexpr std::string_view kEllipsis = "/ ...";
}

// Each candidate is measured exactly as it would be displayed, so the shortened text always
// fits the label it was made for.
ShortenedPath ShortenPath(std::string_view path, int width,
                          const std::function<int(std::string_view)>& measure) {
  if (path.empty() || measure(path) <= width) return {std::string(path), false};

  // A leading '/' belongs to the first component: it stands where a drive would.
  const auto firstEnd = path.find('/', 1);
  if (firstEnd == std::string_view::npos) return {std::string(path), true};
  const std::string_view prefix = path.substr(0, firstEnd);
  std::string_view tail = path.substr(firstEnd);  // begins with '/'

  for (;;) {
    // Drop the first directory of the tail, keeping the separator that followed it; the last
    // separator goes alone ("/Name" becomes "Name"), and then nothing is left to drop.
    if (tail.empty() || tail.front() != '/') return {std::string(path), true};
    const auto next = tail.find('/', 1);
    tail = next == std::string_view::npos ? tail.substr(1) : tail.substr(next);

    std::string candidate;
    candidate.reserve(prefix.size() + kEllipsis.size() + tail.size());
    candidate.append(prefix).append(kEllipsis).append(tail);
    if (measure(candidate) <= width) return {std::move(candidate), true};
  }
}

TPathLabel::TPathLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
  FitHeight();
}

void TPathLabel::SetCaption(const QString& path) {
  caption_ = path;
  Shorten();
}

void TPathLabel::FitHeight() {
  setFixedHeight(QFontMetrics(font()).boundingRect(QStringLiteral("Aj|")).height());
}

void TPathLabel::Shorten() {
  const QFontMetrics metrics(font());
  const auto measure = [&metrics](std::string_view text) {
    return metrics.horizontalAdvance(
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  };
  const ShortenedPath shown = ShortenPath(caption_.toStdString(), contentsRect().width(), measure);
  setText(QString::fromStdString(shown.Text));
  setToolTip(shown.Hint ? caption_ : QString());
}

void TPathLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  if (event->size().width() != event->oldSize().width()) Shorten();
}

void TPathLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    FitHeight();
    Shorten();
  }
}

}  // namespace chronolin

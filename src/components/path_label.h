#pragma once
// A one-line label for a directory path wider than the label: the leading directories give way
// to an ellipsis after the path's first component, and the full path shows as a tooltip.
#include <QLabel>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

namespace chronolin {

struct ShortenedPath {
  std::string Text;   // what the label shows
  bool Hint = false;  // whether the full path is offered as a tooltip
};

// Shortens a '/'-separated path to `width`, `measure` giving a text's width in the label's font.
// The first component ("/home" of "/home/me/bin", "docs" of "docs/a/b") stays and is followed by
// "/ ..."; directories after it are dropped one by one from the left until the text fits:
// "/home/ .../bin". When no directory is left to drop, the path is shown whole (clipped).
ShortenedPath ShortenPath(std::string_view path, int width,
                          const std::function<int(std::string_view)>& measure);

class TPathLabel : public QLabel {
 public:
  explicit TPathLabel(QWidget* parent = nullptr);

  // The full path, whatever is displayed.
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& path);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FitHeight();
  void Shorten();

  QString caption_;
};

}  // namespace chronolin

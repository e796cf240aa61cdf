#include "counter/console_view.h"

#include "counter/counter.h"
#include "counter/duree.h"

namespace chronolin {
namespace {

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

std::string ConsoleView::StatusLine() const {
  if (!counter_) return {};
  const char* state = counter_->Counting()               ? "comptage"
                      : counter_->Connexion().Handle != 0 ? "attente"
                                                          : "inactif";
  return counter_->Connexion().Name + "  total " + SecondsToDuree(counter_->DisplayTotal()) +
         "  connexion " + SecondsToDuree(counter_->Current()) + "  " + state;
}

void ConsoleView::PrintStatus() {
  std::fprintf(out_, "%s\n", StatusLine().c_str());
  std::fflush(out_);
}

MsgResult ConsoleView::MessageBox(const std::string& text, const std::string& title, MsgIcon,
                                  MsgButtons buttons) {
  std::fprintf(err_, "[%s] %s\n", title.c_str(), OneLine(text).c_str());
  std::fflush(err_);
  return buttons == MsgButtons::YesNo ? MsgResult::Yes : MsgResult::Ok;
}

void ConsoleView::QuotaWarning(const std::string& text) {
  std::fprintf(out_, "%s\n", OneLine(text).c_str());
  std::fflush(out_);
}

void ConsoleView::QuotaHangUpNotice(const std::string& text, int) {
  QuotaWarning(text);
}

void ConsoleView::ShowError(const std::string& message) {
  std::fprintf(err_, "[Chrono-lin] %s\n", OneLine(message).c_str());
  std::fflush(err_);
}

}  // namespace chronolin

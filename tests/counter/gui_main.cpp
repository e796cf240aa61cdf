// Widget tests run on Qt's offscreen platform unless told otherwise.
#include <gtest/gtest.h>
#include <QApplication>

namespace {

// The offscreen platform says so each time a window asks it for what it cannot do, and has no
// tray for the tray icon to watch.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support")) ||
      message.contains(QLatin1String("systemTrayWindowChanged")))
    return;
  qt_message_output(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietMessages);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

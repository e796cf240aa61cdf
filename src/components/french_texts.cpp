#include "components/french_texts.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QTreeView>

namespace chronolin {

bool InstallFrenchTexts(QCoreApplication& app) {
  const QLocale french(QLocale::French, QLocale::France);
  QLocale::setDefault(french);
  auto* translator = new QTranslator(&app);
  if (!translator->load(french, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

void PrepareFileDialog(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setViewMode(QFileDialog::Detail);
  // Fits a 800 x 600 screen with its panel.
  dialog.resize(720, 440);
  if (auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
      header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
}

}  // namespace chronolin

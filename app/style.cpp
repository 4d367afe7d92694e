// SPDX-License-Identifier: Apache-2.0
#include "app/style.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStringList>
#include <QTranslator>

namespace karvento::app {

QFont WindowFont() {
  QFont font;
  font.setFamilies(QStringList{QStringLiteral("宋体"), QStringLiteral("SimSun"),
                               QStringLiteral("WenQuanYi Micro Hei"),
                               QStringLiteral("Noto Sans CJK SC")});
  font.setPixelSize(12);
  return font;
}

void InstallWindowFont() { QApplication::setFont(WindowFont()); }

bool InstallToolkitTranslations() {
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

QColor ResolveColor(const RowColor& color, const QPalette& palette) {
  switch (color.role) {
    case ColorRole::HotLight:
      return palette.color(QPalette::Active, QPalette::Highlight);
    case ColorRole::CaptionText:
      return palette.color(QPalette::Active, QPalette::HighlightedText);
    case ColorRole::Window:
      return palette.color(QPalette::Active, QPalette::Base);
    case ColorRole::Rgb:
      break;
  }
  return QColor(color.r, color.g, color.b);
}

}  // namespace karvento::app

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
  // The window speaks Chinese whatever the user's locale; so do the
  // toolkit's own dialogs. The translator lives as long as the application.
  auto* translator = new QTranslator(QCoreApplication::instance());
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), folder)) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
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

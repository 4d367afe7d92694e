#include "app/style.h"

#include <QApplication>
#include <QStringList>

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

// What every window of the program shares: the window font, the conversion
// of the model's UTF-8 texts, and the system colours that the sheet lists
// paint their rows with.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <string>
#include <string_view>

#include "workbench/sheet_list.h"

namespace karvento::app {

inline QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string S(const QString& text) { return text.toUtf8().toStdString(); }

// "宋体" at 12 pixels; where it is not installed, the first CJK font of the
// fallback list draws the Chinese texts.
QFont WindowFont();
// Makes WindowFont the font of every widget of the application.
void InstallWindowFont();
// Loads the toolkit's own Simplified Chinese texts (the buttons of its
// dialogs, the file dialog, the context menus of text fields) from the
// toolkit's translation folder, as installed by qt6-translations-l10n, and
// installs them in the application. Returns false when they are not found;
// the toolkit then speaks English.
bool InstallToolkitTranslations();

// The colour a row of a sheet list is painted with: the hot-track colour and
// the caption-text colour of the system, the window colour, or a fixed RGB.
QColor ResolveColor(const RowColor& color, const QPalette& palette);

}  // namespace karvento::app

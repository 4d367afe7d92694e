// SPDX-License-Identifier: Apache-2.0
// What every window of the program shares: the window font, the toolkit's
// Chinese texts, the conversion of the model's UTF-8 texts, and the system
// colours that the sheet lists paint their rows with.
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
// Makes the toolkit's own texts Chinese (the buttons of message boxes, the
// file dialogs, the context menus of text fields): installs the toolkit's
// Simplified Chinese translations (qtbase_zh_CN from the toolkit's
// translations folder) and the Chinese locale for the dates and numbers the
// toolkit shows. Returns false, leaving the toolkit's English texts, when the
// translations cannot be loaded. Call it once, after the application exists.
bool InstallToolkitTranslations();

// The colour a row of a sheet list is painted with: the hot-track colour and
// the caption-text colour of the system, the window colour, or a fixed RGB.
QColor ResolveColor(const RowColor& color, const QPalette& palette);

}  // namespace karvento::app

#pragma once

#include <QString>

// The settings file ".\Quillet.ini": Quillet.ini in the current working
// directory. The program spells the name in more than one way (the exit save
// writes "Quillet.INI"), and the stations treat file names without regard to
// case, so the name is looked up case-insensitively among the directory's
// entries. When several entries match (possible on Linux only) the first in
// byte order wins, whatever the spelling asked for, so every spelling meets
// the same file. When none matches the path names a new file spelled as
// asked.
QString settingsFilePath(const QString& spelledName = QStringLiteral("Quillet.ini"));

// The section of the main window's settings and of the label layout.
inline constexpr const char* kMainSection = "mainBarcode";

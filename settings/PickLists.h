#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// What the settings dialog offers and how a stored value finds its place in
// it, without any widget.

// The position an up-down takes for a stored value: its low 16 bits as a
// signed number, held within the range.
int upDownPosition(int32_t stored, int min, int max);

// The entry of a pick list equal to text (the whole text, letter case
// ignored, blanks counted); -1 for none.
int pickListIndex(const QStringList& entries, const QString& text);

// The port list: USB1-USB4 and the USB search.
const QStringList& printerPortEntries();
// The weight list, each entry's first three characters the weight.
const QStringList& fontWeightEntries();
// Font names sorted by name, letter case ignored.
QStringList sortedFontNames(QStringList names);

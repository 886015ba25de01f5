#pragma once

#include <QByteArrayView>
#include <QString>

// Replaces the file at path with bytes, atomically: they go to a temporary
// file beside it, unbuffered so that a short write (a full disk) shows in the
// count, reach the disk, and only then does a rename put the new file in the
// old one's place. The old file stays whole when anything fails.
//
// Not QSaveFile's buffered write: through its buffer Qt 6.4 loses the rest of
// the data on a full disk and still commits the shortened (even empty) file.
//
// Returns false with the system's reason in *error.
bool writeFileSafely(const QString& path, QByteArrayView bytes, QString* error);

// Makes path an empty file readable and writable only by its owner and group
// (0660, less the umask) when nothing is there yet, so that a database made
// in it (and the files SQLite keeps beside it, which take its mode) is not
// readable by everyone. A file already there is left as it is.
void createOwnerGroupFile(const QString& path);

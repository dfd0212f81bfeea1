#pragma once

#include <QByteArrayView>
#include <QString>

// Writes bytes as the whole contents of the file at path, for every file the
// program saves (configurations, pictures).
//
// A regular file, or one that does not exist yet, is replaced atomically: the
// bytes go to a temporary file beside it, which takes its place only once
// every byte is on disk, so a full disk or a crash leaves the old file whole.
// Where no temporary file can be made (a folder the user may not write, over
// a file the user may), the file is written in place.
//
// Anything else at path is never replaced by a regular file: a FIFO or a
// character device (a terminal, /dev/null) is written through as it is, and
// a failing write (/dev/full) is reported; a folder, a block device or a
// socket is refused. A symbolic link is followed.
//
// False, with *reason in the installer's words, when not every byte was
// written.
bool SaveFileBytes(const QString &path, QByteArrayView bytes, QString *reason = nullptr);

// Whether both paths name one existing file, through whatever spelling, link
// or hard link.
bool IsSameFile(const QString &a, const QString &b);

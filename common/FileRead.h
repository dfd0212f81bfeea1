#pragma once

#include <QString>

class QFile;

// Why the file at path cannot be read as a picture, photo or configuration,
// in the installer's words; empty when it is a regular file that opens for
// reading. Anything but a regular file is refused here, so that a FIFO or a
// device never blocks the window (open never waits), and each refusal names
// its own reason: no such file, a folder, a pipe or device, no permission,
// a name that is not valid UTF-8.
QString ReadableFileProblem(const QString &path);

// The same check, leaving the file open for reading in file when it passes:
// what is read is then the very file that was checked, not whatever the
// path names a moment later.
QString OpenReadableFile(const QString &path, QFile &file);

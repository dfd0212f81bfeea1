#pragma once

#include <QString>

// Why the file at path cannot be read as a picture, photo or configuration,
// in the installer's words; empty when it is a regular file that opens for
// reading. Anything but a regular file is refused here, so that a FIFO or a
// device never blocks the window (open never waits), and each refusal names
// its own reason: no such file, a folder, a pipe or device, no permission,
// a name that is not valid UTF-8.
QString ReadableFileProblem(const QString &path);

#pragma once

#include <QString>

// The reason of a failed system call in the program's language: our own
// Russian words for the errors an installer meets (no such file, no
// permission, busy, disk full, ...), the system's own text for the rest.
QString SystemErrorText(int errnoValue);

#pragma once

#include <QString>

// Why the file at path cannot be loaded as a shared library into this
// program, in the installer's words; empty when it can be tried. dlopen maps
// a library's segments as its headers say: a file cut short maps pages past
// its end and the program dies of SIGBUS on the first touch, and a library
// for another machine gives only the loader's English. So before loading:
// a regular file that opens, an ELF shared object of this program's class,
// byte order and processor, and as long as its program and section headers
// say it is.
QString SharedObjectProblem(const QString &path);

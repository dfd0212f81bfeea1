#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QUrl;
class QWidget;

// The program's manual (docs/manual/index.html, installed to
// share/doc/tarvello-setup/manual/): where it is found and how it is opened.

// Where the manual is looked for, first match wins: the install prefix
// relative to the program (../share/doc/tarvello-setup/manual/index.html);
// the source tree's docs/manual when the program runs from its build tree;
// /usr/share/doc/tarvello-setup/manual/index.html. TARVELLO_MANUAL, when
// set, is the only place looked at.
QStringList ProgramManualCandidates();

// The first candidate that is a file (absolute path), or an empty string.
QString FindProgramManual();

// Hands a URL to the desktop; true when a handler took it.
using ManualOpener = std::function<bool(const QUrl &url)>;

// Replaces the opener (default: QDesktopServices::openUrl) and returns the
// previous one; an empty opener restores the default. Tests use it so that
// no browser starts.
ManualOpener SetManualOpener(ManualOpener opener);

// Opens the manual at `section` (an anchor of it; empty: at its top) with
// the desktop's handler, the section as the URL's fragment; when there is
// none, shows it there in the program's own manual window (one, owned by
// the parent or else the active window). No manual at all: a message says
// where it was looked for. Returns whether the manual is now shown.
bool OpenProgramHelp(QWidget *parent = nullptr, const QString &section = {});

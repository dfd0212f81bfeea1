#pragma once

class QCoreApplication;

// Installs the program's message and file-dialog handlers: modal
// QMessageBox and QFileDialog, owned by the active window; and sets the
// program's window icon.
void InstallQtUserInterface();

// Loads Qt's own Russian translation (qtbase_ru.qm from Qt's translations
// folder, Debian package qt6-translations-l10n) and makes Russian the
// default locale, so that the standard dialogs and buttons, file types and
// dates speak Russian like the rest of the program, whatever the system
// locale. Without the file Qt's texts stay English. Calling it again adds
// nothing.
void InstallRussianTranslations(QCoreApplication &app);

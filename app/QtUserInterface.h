#pragma once

// Installs the program's message and file-dialog handlers: modal
// QMessageBox and QFileDialog, owned by the active window; and sets the
// program's window icon.
void InstallQtUserInterface();

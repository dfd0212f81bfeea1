#pragma once

// Opens the program's manual with the desktop's handler for it. Nothing
// happens when no manual is installed. Returns whether one was opened.
bool OpenProgramHelp();

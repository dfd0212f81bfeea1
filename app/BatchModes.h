#pragma once

struct CommandLine;

// The command-line modes that run without the wizard's window: --render,
// --write and --backup. They take the wizard's own paths (the labels page's
// export render, the picture pages' conversion and upload, the warning
// page's full settings write), report on the terminal and return the exit
// status. --render and --write need a QGuiApplication (the label fonts; the
// offscreen platform will do), --backup a QCoreApplication.
int RunBatchMode(const CommandLine &line);

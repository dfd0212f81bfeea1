#pragma once

#include <QString>

#include <optional>

// A program that has a serial device open: without a lock it still keeps
// the port from us, since it reads the module's replies or writes into them.
struct PortHolder {
    long long pid = 0;
    QString name;  // the process's command name; empty when it could not be read
};

// Another process that has the character device at `path` open, found by
// the device number among the open files listed in /proc (a link or another
// name of the same device counts). Left out: this process, processes whose
// open files may not be read, and a process that also holds the master side
// of the pseudo-terminal `path` is the slave of (it is the device itself at
// the far end, such as the module simulator, keeping its line up). nullopt
// when there is none, or when `path` is no character device.
std::optional<PortHolder> FindPortHolder(const QString &path);

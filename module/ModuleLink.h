#pragma once

#include "DeviceLink.h"
#include "ModuleFinder.h"

#include <QString>

#include <memory>

// Opens the link the program works through, from its options: the demo
// link when `demo` is set, whatever else was given (demo means "no module":
// no port is opened, nothing is sent, also when a port is named); else the
// module on `port` alone when one is named; else the module search (USB,
// then COM 1..10). The link returned is open; null when no module answered,
// with every try in `report` for ModuleNotFoundMessage.
std::unique_ptr<DeviceLink> OpenModuleLink(bool demo, const QString &port, ProbeReport *report = nullptr);

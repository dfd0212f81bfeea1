#include "ModuleLink.h"

std::unique_ptr<DeviceLink> OpenModuleLink(bool demo, const QString &port, ProbeReport *report)
{
    if (demo || port.isEmpty())
        return FindModule(demo, report);
    return FindModuleOnPort(port, report);
}

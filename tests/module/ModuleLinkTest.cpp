// Which link the program opens from its options, against the module
// simulator on a pseudo-terminal: demo means no port is touched, even with
// --port; a named port is the only one tried; otherwise the search.
#include "ModuleLink.h"
#include "ModuleSim.h"
#include "ScopedEnv.h"

#include <gtest/gtest.h>

namespace {

TEST(OpenModuleLink, demoWinsOverAPortAndAPortOverTheSearch)
{
    ModuleSim sim;
    ASSERT_TRUE(sim.started()) << qPrintable(sim.error());
    ScopedEnv env;
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", sim.slavePathBytes());
    env.set("TARVELLO_D2XX_LIBRARY", "/nonexistent/libftd2xx.so");

    enum Link { None, Demo, Module };
    const struct {
        bool demo;
        QString port;
        Link link;  // the simulator is reached exactly when a module link is opened
    } cases[] = {
        {true, {}, Demo}, {true, sim.slavePath(), Demo},
        {false, {}, Module},  // the search finds it as COM1
        {false, sim.slavePath(), Module}, {false, QStringLiteral("/nonexistent/tty"), None},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE((c.demo ? "demo, port " : "port ") + c.port.toStdString());
        const qsizetype logged = sim.log(0, std::chrono::milliseconds(0)).size();
        ProbeReport report;
        std::unique_ptr<DeviceLink> link = OpenModuleLink(c.demo, c.port, &report);
        EXPECT_EQ(!link ? None : link->HasModule() ? Module : Demo, c.link);
        EXPECT_EQ(report.attempts.empty(), c.link == Demo) << "a module link is looked for, the demo link is not";
        if (link)
            link->Close();
        const bool reached = c.link == Module;
        EXPECT_EQ(sim.log(int(logged) + 1, std::chrono::milliseconds(reached ? 3000 : 300)).size() > logged, reached);
    }
}

} // namespace

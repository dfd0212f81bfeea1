#pragma once

#include "ComPortLink.h"
#include "ModuleSim.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"

// The sheet test with the module simulator on a real pseudo-terminal and the
// program's serial link opened to it (the only port the search may see).
class SimulatorSheetTest : public SheetTest {
protected:
    explicit SimulatorSheetTest(const QStringList &simArguments = {}) : sim(simArguments) {}

    void SetUp() override
    {
        SheetTest::SetUp();
        ASSERT_TRUE(sim.started()) << qPrintable(sim.error());
        env.set("TARVELLO_COM1", sim.slavePathBytes());
        env.set("TARVELLO_COM_ONLY_ENV", "1");
        ASSERT_EQ(link.Open(1), kLinkOk);
    }
    void TearDown() override
    {
        link.Close();
        SheetTest::TearDown();
    }

    ModuleSim sim;
    ScopedEnv env;
    ComPortLink link;
};

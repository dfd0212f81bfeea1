// The wizard on the offscreen platform talking to the module simulator over
// a real pseudo-terminal: what the pages put on the wire, read back from the
// simulator's command log.
#include "ComPortLink.h"
#include "ModuleSim.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"

namespace {

class WizardEndToEnd : public SheetTest {
protected:
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

TEST_F(WizardEndToEnd, pointPagesAskForTheGridOnEveryActivationAndSendNothingElse)
{
    auto sheet = OpenSheet(&link);
    sheet->SetActivePage(2);
    // F6 from the grid-shift page through every sub-step to the labels page.
    for (int presses = 0; sheet->ActiveIndex() < 10 && presses < 40; ++presses)
        Key(*sheet, Qt::Key_F6);
    ASSERT_EQ(sheet->ActiveIndex(), 10);
    // Base line, left border, (symmetry: nothing), right border, left and
    // right curve; line thickness and labels send nothing either. Whatever
    // the grid-shift page sent came before all of them.
    const QStringList log = sim.log(5);
    int last = static_cast<int>(log.size());
    while (last > 0 && log[last - 1] == QStringLiteral("9600 ATS3\\r"))
        --last;
    EXPECT_EQ(log.size() - last, 5) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_EQ(messages_.count(), 0u);
}

} // namespace

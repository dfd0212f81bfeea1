// Every seed input of the fuzz targets runs through its target's entry
// function in the ordinary test build: the invariants the targets check
// hold for these inputs, and a finding added to a corpus stays fixed.
#include "FuzzSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

struct Target {
    const char *folder;
    int (*entry)(const std::uint8_t *, std::size_t);
};

const Target kTargets[] = {
    {"ini-reader", FuzzIniReaderOne},
    {"configuration-render", FuzzConfigurationRenderOne},
    {"bmp-conversion", FuzzBmpConversionOne},
    {"reply-rule", FuzzReplyRuleOne},
    {"serial-read-loop", FuzzSerialReadLoopOne},
    {"usb-read-loop", FuzzUsbReadLoopOne},
    {"phone-request", FuzzPhoneRequestOne},
};

}  // namespace

TEST(FuzzCorpusReplay, EverySeedInputKeepsItsTargetsInvariants)
{
    fuzz::EnsureApplication();
    for (const Target &target : kTargets) {
        SCOPED_TRACE(target.folder);
        const QDir folder(QStringLiteral(TARVELLO_FUZZ_CORPUS "/") + QLatin1String(target.folder));
        const QStringList names = folder.entryList(QDir::Files, QDir::Name);
        EXPECT_GE(names.size(), 3) << "seed corpus missing: " << folder.path().toStdString();
        for (const QString &name : names) {
            SCOPED_TRACE(name.toStdString());
            QFile file(folder.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            EXPECT_EQ(target.entry(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                   std::size_t(bytes.size())),
                      0);
        }
    }
}

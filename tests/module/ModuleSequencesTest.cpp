// The module library's command sequences on a recording link: the exact
// commands of the full settings write, the picture upload and the backup
// read, their stops on a failed command, and what they report.
#include "ModuleCommands.h"
#include "PictureBackup.h"
#include "PictureUpload.h"
#include "RecordingLink.h"
#include "Settings.h"

#include <gtest/gtest.h>

namespace {

const QStringList kDefaultFullWrite = {"ATQ0", "ATK45", "ATJ250", "ATO0", "ATR0", "ATP0",
                                       "ATF0", "ATG80", "ATH25", "ATS1", "ATW", "ATS1"};

TEST(FullSettingsWrite, sendsTwelveCommandsWithinTheModulesRanges)
{
    const struct {
        const char *name;
        std::function<void(Settings &)> prepare;
        QStringList sent;
    } cases[] = {
        {"the built-in record", {}, kDefaultFullWrite},
        {"warning shown 3 s, every setting",
         [](Settings &s) {
             s.WarningSeconds = 3; s.Reflection = true; s.CameraShiftX = 12; s.CameraShiftY = 34;
             s.RearEnabled = 1; s.IndicatorX = 4; s.IndicatorY = 99; s.LineBrightness = 60; s.BackgroundBrightness = 21;
         },
         {"ATQ1", "ATK34", "ATJ12", "ATO1", "ATR4", "ATP99", "ATF3", "ATG60", "ATH21", "ATS4", "ATW", "ATS1"}},
        // Hand-edited files: the nearest value the module takes is sent.
        {"above the ranges", [](Settings &s) { s.WarningSeconds = 9; s.LineBrightness = 500; s.BackgroundBrightness = -3; },
         {"ATQ0", "ATK45", "ATJ250", "ATO0", "ATR0", "ATP0", "ATF5", "ATG80", "ATH20", "ATS4", "ATW", "ATS1"}},
        {"below and beyond the ranges",
         [](Settings &s) {
             s.CameraShiftX = 999; s.CameraShiftY = s.WarningSeconds = -1; s.FrontEnabled = -2;
             s.IndicatorX = -5; s.IndicatorY = 256; s.LineBrightness = 0; s.BackgroundBrightness = 81;
         },
         {"ATQ0", "ATK0", "ATJ255", "ATO1", "ATR0", "ATP255", "ATF0", "ATG20", "ATH80", "ATS1", "ATW", "ATS1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Settings s;
        if (c.prepare)
            c.prepare(s);
        RecordingLink link;
        ModuleCommands::SendFullSettings(link, s);
        EXPECT_EQ(link.commands, c.sent);
    }
}

// Select and erase, then a write and a read-back per block, as far as the
// loop got.
QStringList UploadCommands(const QString &erase, std::uint32_t base, int blocks)
{
    QStringList commands{QStringLiteral("ATS0"), erase};
    for (int k = 0; k < blocks; ++k) {
        const QString address = QStringLiteral("%1").arg(base + 256u * k, 8, 16, QLatin1Char('0')).toUpper();
        commands << QStringLiteral("ATA") + address << QStringLiteral("ATB0X") + address;
    }
    return commands;
}

TEST(PictureUpload, sendsItsAreaStopsAtAFailedBlockAndCountsBlocksReadBackDifferent)
{
    using P = PictureUpload::Picture;
    const auto lines = UploadCommands("ATE1", 0xD0000, 128), warning = UploadCommands("ATE0", 0xE0000, 128);
    const struct {
        const char *name;
        P picture;
        const char *refused;  // the command the module refuses
        QList<int> corrupt;   // blocks read back changed
        QStringList sent;
        int completed, notVerified;
    } cases[] = {
        {"guide lines", P::GuideLines, "", {}, lines + QStringList{"ATS1", "ATW"}, 128, 0},
        {"warning", P::Warning, "", {}, warning + QStringList{"ATS4"}, 128, 0},
        {"write refused", P::GuideLines, "ATA000D0900", {}, lines.mid(0, 2 + 18 + 1) + QStringList{"ATS1", "ATW"}, 9, 0},
        {"read-back refused", P::GuideLines, "ATB0X000D0900", {}, lines.mid(0, 2 + 20) + QStringList{"ATS1", "ATW"}, 9, 0},
        {"read back different, the wire the same", P::Warning, "", {3, 77}, warning + QStringList{"ATS4"}, 128, 2},
    };
    ModulePicture::Buffer bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EchoingLink link;
        link.corrupt = c.corrupt;
        const QString refused = QString::fromLatin1(c.refused);
        link.answer = [&](const QString &command) { return command == refused ? kLinkFail : kLinkOk; };
        QList<LinkResult> reported;
        QList<int> progress;
        const PictureUpload::Result result = PictureUpload::Run(
            link, bytes, c.picture, [&](LinkResult r) { reported << r; }, [&](int position) { progress << position; });
        EXPECT_EQ(link.commands, c.sent);
        EXPECT_EQ(reported.size(), c.sent.size()) << "every command's result is reported";
        EXPECT_EQ(reported.count(kLinkFail), refused.isEmpty() ? 0 : 1);
        EXPECT_EQ(result.blocksCompleted, c.completed);
        EXPECT_EQ(result.blocksNotVerified, c.notVerified);
        EXPECT_EQ(progress.size(), std::min(c.completed + 1, 128) + 1);
        EXPECT_EQ(progress.last(), c.completed);
    }
}

// A module whose block k holds the byte k + 1 throughout.
struct NumberedBlocksLink : RecordingLink {
    LinkResult ReadBlock(std::uint32_t address, std::uint8_t *destination) override
    {
        std::fill(destination, destination + 256, static_cast<std::uint8_t>((address & 0xFFFF) / 256 + 1));
        return RecordingLink::ReadBlock(address, nullptr);
    }
    LinkResult ReadBlockExact(std::uint32_t address, std::uint8_t *destination) override
    {
        return ReadBlock(address, destination);
    }
};

TEST(PictureBackup, readsTheAreasBlocksInOrderAndStopsAtTheFirstBlockThatFailsEveryAttempt)
{
    using P = PictureUpload::Picture;
    for (const auto &[picture, refused, read] : {std::tuple{P::GuideLines, "", 128}, {P::Warning, "ATB0X000E0500", 5}}) {
        SCOPED_TRACE(read);
        NumberedBlocksLink link;
        link.answer = [&](const QString &command) { return command == QLatin1String(refused) ? kLinkFail : kLinkOk; };
        QList<LinkResult> reported;
        ModulePicture::Buffer bytes{};
        const auto result = PictureBackup::Run(link, picture, bytes, [&](LinkResult r) { reported << r; });
        const QStringList all = UploadCommands({}, PictureUpload::BaseAddress(picture), std::min(read + 1, 128));
        QStringList reads;
        for (int k = 3; k < all.size(); k += 2)
            reads << all[k];
        const qsizetype blocks = reads.size();
        for (int again = 1; read < 128 && again < PictureBackup::kAttempts; ++again)
            reads << reads.last();  // the failed read is repeated
        EXPECT_EQ(link.commands, reads);
        EXPECT_EQ(reported.size(), blocks) << "one result per block";
        EXPECT_EQ(std::pair(result.blocksRead, result.Complete()), std::pair(read, read == 128));
        for (int k = 0; k < read; ++k)
            ASSERT_EQ(bytes[256 * k + 255], k + 1) << "block " << k << " in its place";
    }
}

} // namespace

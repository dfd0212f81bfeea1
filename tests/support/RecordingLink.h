#pragma once

// A device link for page tests: records every command it is given and
// answers as told, without any port. Commands are recorded as their text
// without the line end ("ATS3", "ATB0X000D0000"); a block frame as "ATA"
// with its address in hex ("ATA000D0100"). Link the device library.

#include "DeviceLink.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <functional>

class RecordingLink : public DeviceLink {
public:
    LinkResult Transact(const std::uint8_t *bytes, unsigned length, unsigned, unsigned) override
    {
        QString command;
        if (length == Protocol::kBlockFrameLength && length >= 7 && bytes[2] == 'A') {
            std::uint32_t address = 0;
            for (int i = 0; i < 4; ++i)
                address |= std::uint32_t(bytes[Protocol::kBlockFrameAddressOffset + i]) << (8 * i);
            command = QStringLiteral("ATA%1").arg(address, 8, 16, QLatin1Char('0')).toUpper();
        } else {
            command = QString::fromLatin1(reinterpret_cast<const char *>(bytes), int(length));
            while (command.endsWith(QLatin1Char('\n')) || command.endsWith(QLatin1Char('\r')))
                command.chop(1);
        }
        commands << command;
        return answer ? answer(command) : kLinkOk;
    }

    // A module stands behind it, as far as the code under test can tell.
    bool HasModule() const override { return true; }

    // Decides the result of each command; every command succeeds without it.
    std::function<LinkResult(const QString &command)> answer;
    QStringList commands;
};

// Reads back what was written, except for the blocks listed, which come back
// changed (a line fault the wire does not show).
class EchoingLink : public RecordingLink {
public:
    LinkResult WriteBlock(std::uint32_t address, const std::uint8_t data[256]) override
    {
        std::copy(data, data + 256, last_.begin());
        return RecordingLink::WriteBlock(address, data);
    }
    LinkResult ReadBlock(std::uint32_t address, std::uint8_t *destination) override
    {
        const LinkResult result = RecordingLink::ReadBlock(address, nullptr);
        if (destination) {
            std::copy(last_.begin(), last_.end(), destination);
            if (corrupt.contains(int((address & 0xFFFF) / 256)))
                destination[17] ^= 0x40;
        }
        return result;
    }
    QList<int> corrupt;

private:
    std::array<std::uint8_t, 256> last_{};
};

// The serial link's read loop with a peer on the other side of a real
// pseudo-terminal that answers in scripted pieces, with pauses, and then
// hangs up: whatever arrives, the exchange ends (at the hang-up at the
// latest), stores nothing past the reply buffer, and a read-back fills the
// caller's 256 bytes and no more.
//
// Input: byte 0 bit 0 the line speed, byte 1 the command (presence check,
// a screen command, a block read-back, a block write), then pieces, each a
// length byte, a pause byte (milliseconds, 0..3) and that many bytes.
#include "FuzzSupport.h"

#include "ComPortLink.h"

#include <QByteArray>

#include <array>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

int FuzzSerialReadLoopOne(const std::uint8_t *data, std::size_t size)
{
    fuzz::ByteReader in(data, size);
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        if (master >= 0)
            ::close(master);
        return 0;
    }
    qputenv("TARVELLO_COM_ONLY_ENV", "1");
    qputenv("TARVELLO_COM1", ::ptsname(master));
    ComPortLink link;
    if (link.Open((in.Byte() & 1) != 0 ? 257 : 1) != kLinkOk) {
        ::close(master);
        return 0;
    }
    const int command = in.Byte() % 4;

    // The peer answers piece by piece, then hangs up, so that no exchange
    // waits out its time-out.
    std::thread peer([&in, master] {
        while (in.Left() > 0) {
            const std::size_t length = std::min<std::size_t>(in.Byte(), in.Left() > 0 ? in.Left() - 1 : 0);
            const unsigned pauseMs = in.Byte() % 4;
            if (length > 0 && ::write(master, in.Here(), length) < 0)
                break;
            in.Skip(length);
            if (pauseMs > 0)
                ::usleep(pauseMs * 1000);
        }
        ::close(master);
    });

    // The 256 bytes of a read-back, with guards on both sides.
    std::array<std::uint8_t, Protocol::kBlockSize + 32> back{};
    back.fill(0xA5);
    std::uint8_t *const block = back.data() + 16;
    switch (command) {
    case 0:
        link.Probe();
        break;
    case 1:
        link.SelectScreen(1);
        break;
    case 2:
        link.ReadBlock(0xD0000, block);
        break;
    default: {
        std::array<std::uint8_t, Protocol::kBlockSize> written{};
        written.fill(0x3C);
        link.WriteBlock(0xD0000, written.data());
        break;
    }
    }
    peer.join();
    link.Close();
    for (int i = 0; i < 16; ++i) {
        FUZZ_CHECK(back[i] == 0xA5);
        FUZZ_CHECK(back[16 + Protocol::kBlockSize + i] == 0xA5);
    }
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzSerialReadLoopOne)

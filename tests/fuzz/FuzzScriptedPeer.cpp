#include "FuzzScriptedPeer.h"

#include "DeviceLink.h"

#include <algorithm>
#include <array>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace fuzz {

int OpenPtyMaster()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master >= 0 && (::grantpt(master) != 0 || ::unlockpt(master) != 0)) {
        ::close(master);
        return -1;
    }
    return master;
}

void ExchangeWithScriptedPeer(DeviceLink &link, ByteReader &in, int master)
{
    const int command = in.Byte() % 4;
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
}

}  // namespace fuzz

// The serial link's read loop against a scripted peer: whatever arrives,
// the exchange ends (at the hang-up at the latest), stores nothing past the
// reply buffer, and a read-back fills the caller's 256 bytes and no more.
//
// Input: byte 0 bit 0 the line speed, then the peer's script (see
// ExchangeWithScriptedPeer).
#include "FuzzScriptedPeer.h"

#include "ComPortLink.h"

#include <QByteArray>

#include <stdlib.h>
#include <unistd.h>

int FuzzSerialReadLoopOne(const std::uint8_t *data, std::size_t size)
{
    fuzz::ByteReader in(data, size);
    const int master = fuzz::OpenPtyMaster();
    if (master < 0)
        return 0;
    qputenv("TARVELLO_COM_ONLY_ENV", "1");
    qputenv("TARVELLO_COM1", ::ptsname(master));
    ComPortLink link;
    if (link.Open((in.Byte() & 1) != 0 ? 257 : 1) != kLinkOk) {
        ::close(master);
        return 0;
    }
    fuzz::ExchangeWithScriptedPeer(link, in, master);
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzSerialReadLoopOne)

// The USB link's read loop, through the fake D2XX library, against a
// scripted peer on the line the library opens: whatever arrives, the
// exchange ends (at the hang-up at the latest, which the link takes as the
// bridge gone), stores nothing past the reply buffer, and a read-back fills
// the caller's 256 bytes and no more.
//
// Input: the peer's script (see ExchangeWithScriptedPeer). The block write
// takes a third of a second over the bridge (the link paces its chunks),
// so most inputs choose a shorter exchange.
#include "FuzzScriptedPeer.h"

#include "UsbLink.h"

#include <QByteArray>

#include <stdlib.h>
#include <unistd.h>

int FuzzUsbReadLoopOne(const std::uint8_t *data, std::size_t size)
{
    fuzz::ByteReader in(data, size);
    const int master = fuzz::OpenPtyMaster();
    if (master < 0)
        return 0;
    qputenv("TARVELLO_D2XX_LIBRARY", TARVELLO_FUZZ_FAKE_D2XX);
    qputenv("TARVELLO_FAKE_D2XX_PTY", ::ptsname(master));
    UsbLink link;
    const bool opened = link.Open(0) == kLinkOk;
    if (!opened)
        ::close(master);
    FUZZ_CHECK(opened);  // the fake library opens any line it is given
    fuzz::ExchangeWithScriptedPeer(link, in, master);
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzUsbReadLoopOne)

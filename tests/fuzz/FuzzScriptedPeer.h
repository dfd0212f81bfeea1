#pragma once

// The module-facing read loops (serial and USB) fuzzed the same way: the
// link talks to a peer on the other side of a real pseudo-terminal that
// answers in scripted pieces, with pauses, and then hangs up.

#include "FuzzSupport.h"

class DeviceLink;

namespace fuzz {

// A pseudo-terminal's master side, ready for its slave to be opened, or -1.
int OpenPtyMaster();

// Runs the exchange the input's next byte chooses (presence check, a
// screen command, a block read-back, a block write) on `link`, open on the
// slave side of `master`, while the rest of the input is written to the
// master piece by piece: each piece a length byte, a pause byte
// (milliseconds, 0..3) and that many bytes. Then the master is closed, so
// that no exchange waits out its time-out. Checks that the read-back never
// wrote outside the caller's 256 bytes.
void ExchangeWithScriptedPeer(DeviceLink &link, ByteReader &in, int master);

}  // namespace fuzz

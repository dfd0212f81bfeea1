#pragma once

#include "DeviceLink.h"
#include "ModulePicture.h"
#include "PictureUpload.h"

#include <functional>

// Reads a picture back out of the module: the 128 blocks of its area, in
// order, into a module picture. No widgets; what becomes of the bytes (a BMP
// file, a comparison) is the caller's. A block counts only when its reply is
// exactly the echo, the data and the answer (noise on the line would
// otherwise pass for the module's bytes); a read that is not is repeated up
// to kAttempts times in all.
class PictureBackup {
public:
    static constexpr int kAttempts = 3;

    struct Result {
        int blocksRead = 0;  // the blocks read so far, from the area's start
        bool Complete() const { return blocksRead == PictureUpload::kBlocks; }
    };

    // Each block's last result goes through report (the device error box),
    // in order. The loop stops at the first block that could not be read:
    // the bytes from that block on are not the module's, and `moduleBytes`
    // holds them as the link left them.
    using Report = PictureUpload::Report;
    // progress (when given) gets the position of a progress bar (0..128): k
    // before block k is read, the number of blocks read at the end.
    using Progress = PictureUpload::Progress;

    static Result Run(DeviceLink &link, PictureUpload::Picture picture, ModulePicture::Buffer &moduleBytes,
                      const Report &report, const Progress &progress = {});
};

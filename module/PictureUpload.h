#pragma once

#include "DeviceLink.h"
#include "ModulePicture.h"

#include <cstdint>
#include <functional>

// Writes a module picture into the module: erase its area, 128 blocks of 256
// bytes each followed by a read-back, then the closing commands. The block
// loop stops at the first failed write or read-back; the closing commands
// are sent all the same. Each read-back from a module is compared with the
// block written (the commands on the wire are the same either way; the demo
// link has no memory to compare). No widgets: the
// picture pages run it on a worker thread, a command-line run on its own.
class PictureUpload {
public:
    enum class Picture {
        GuideLines,  // area 1 at 0xD0000; then the normal display and "store"
        Warning,     // area 0 at 0xE0000; then the warning screen
    };

    static constexpr int kBlocks = 128;

    struct Result {
        int blocksCompleted = 0;   // written and read back
        int blocksNotVerified = 0; // read back different from what was written
    };

    // Every command's result goes through report (the program's device
    // error box), in order; progress gets the position of the progress bar
    // (0..128): k before block k is written, the number of blocks completed
    // at the end.
    using Report = std::function<void(LinkResult)>;
    using Progress = std::function<void(int position)>;

    static Result Run(DeviceLink &link, const ModulePicture::Buffer &moduleBytes, Picture picture,
                      const Report &report, const Progress &progress);

    static std::uint32_t BaseAddress(Picture picture);
};

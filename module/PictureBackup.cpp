#include "PictureBackup.h"

PictureBackup::Result PictureBackup::Run(DeviceLink &link, PictureUpload::Picture picture,
                                         ModulePicture::Buffer &moduleBytes, const Report &report,
                                         const Progress &progress)
{
    const std::uint32_t base = PictureUpload::BaseAddress(picture);
    Result result;
    for (int k = 0; k < PictureUpload::kBlocks; ++k) {
        if (progress)
            progress(k);
        LinkResult read = kLinkFail;
        for (int attempt = 0; attempt < kAttempts && read < 0; ++attempt)
            read = link.ReadBlockExact(base + static_cast<std::uint32_t>(Protocol::kBlockSize) * k,
                                       moduleBytes.data() + Protocol::kBlockSize * k);
        report(read);
        if (read < 0)
            break;
        ++result.blocksRead;
    }
    if (progress)
        progress(result.blocksRead);
    return result;
}

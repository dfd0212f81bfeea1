#include "PictureUpload.h"

#include "Screen.h"

#include <algorithm>
#include <array>

std::uint32_t PictureUpload::BaseAddress(Picture picture)
{
    return picture == Picture::GuideLines ? 0xD0000u : 0xE0000u;
}

PictureUpload::Result PictureUpload::Run(DeviceLink &link, const ModulePicture::Buffer &moduleBytes, Picture picture,
                                         const Report &report, const Progress &progress)
{
    const bool guideLines = picture == Picture::GuideLines;
    const std::uint32_t base = BaseAddress(picture);
    Result result;

    report(ShowScreen(link, Screen::Writing));
    report(link.EraseArea(guideLines ? 1 : 0));
    std::array<std::uint8_t, Protocol::kBlockSize> readBack{};
    for (int k = 0; k < kBlocks; ++k) {
        progress(k);
        const std::uint32_t address = base + static_cast<std::uint32_t>(Protocol::kBlockSize) * k;
        const std::uint8_t *block = moduleBytes.data() + Protocol::kBlockSize * k;
        const LinkResult written = link.WriteBlock(address, block);
        report(written);
        if (written < 0)
            break;
        const LinkResult read = link.ReadBlock(address, readBack.data());
        report(read);
        if (read < 0)
            break;
        if (link.HasModule() && !std::equal(readBack.begin(), readBack.end(), block))
            ++result.blocksNotVerified;
        ++result.blocksCompleted;
    }
    progress(result.blocksCompleted);

    if (guideLines) {
        report(ShowScreen(link, Screen::Normal));
        report(link.StoreSettings());
    } else {
        report(ShowScreen(link, Screen::Warning));
    }
    return result;
}

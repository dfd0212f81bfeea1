// A BMP file of arbitrary bytes: checked, decoded at its own depth, turned
// into the module's 1-bit picture (both mirror settings), shown back, and
// written and read again at the same depth.
#include "FuzzSupport.h"

#include "BmpFile.h"
#include "ModulePicture.h"

#include <QByteArray>
#include <QImage>

int FuzzBmpConversionOne(const std::uint8_t *data, std::size_t size)
{
    fuzz::EnsureApplication();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Bmp::Header header;
    const Bmp::Problem checked = Bmp::CheckBmpData(bytes, &header);

    int bits = -1;
    Bmp::Problem problem = Bmp::Problem::None;
    const QImage picture = Bmp::ReadBmpData(bytes, &bits, &problem);
    if (checked != Bmp::Problem::None) {
        // Refused by the checks: refused by the reader too, for the same reason.
        FUZZ_CHECK(picture.isNull());
        FUZZ_CHECK(problem == checked);
        FUZZ_CHECK(bits == 0);
        return 0;
    }
    if (picture.isNull()) {
        FUZZ_CHECK(problem == Bmp::Problem::DecodeFailed);
        return 0;
    }
    FUZZ_CHECK(problem == Bmp::Problem::None);
    FUZZ_CHECK(bits == header.bitsPerPixel);
    FUZZ_CHECK(picture.width() == header.width);
    FUZZ_CHECK(picture.height() == header.height);

    const ModulePicture::Buffer straight = ModulePicture::ToModulePicture(picture, false, bits);
    const ModulePicture::Buffer mirrored = ModulePicture::ModulePictureFromImage(picture, true, bits);
    // Nothing beyond the 400 x 310 window is ever set.
    for (int row = 0; row < ModulePicture::kRows; ++row) {
        for (int i = 0; i < ModulePicture::kRowBytes; ++i) {
            const std::size_t at = std::size_t(row * ModulePicture::kRowBytes + i);
            if (row >= ModulePicture::kSentRows || i >= ModulePicture::kPictureWidth / 8) {
                FUZZ_CHECK(straight[at] == 0);
                FUZZ_CHECK(mirrored[at] == 0);
            }
        }
    }
    const QImage shown = ModulePicture::ImageFromModulePicture(mirrored);
    FUZZ_CHECK(shown.width() == ModulePicture::kPictureWidth);

    // Written at the file's depth and read again, the picture converts to
    // the same module picture.
    const QByteArray written = Bmp::EncodeBmp(picture, bits);
    FUZZ_CHECK(!written.isEmpty());
    int bitsAgain = -1;
    Bmp::Problem problemAgain = Bmp::Problem::None;
    const QImage again = Bmp::ReadBmpData(written, &bitsAgain, &problemAgain);
    FUZZ_CHECK(problemAgain == Bmp::Problem::None);
    FUZZ_CHECK(again.size() == picture.size());
    FUZZ_CHECK(ModulePicture::ToModulePicture(again, false, bitsAgain) == straight);
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzBmpConversionOne)

#include "QrCode.h"

#include <qrencode.h>

#include <memory>

namespace {

constexpr int kQuietZone = 4; // modules of white around the code

struct FreeCode {
    void operator()(QRcode *code) const { QRcode_free(code); }
};

std::unique_ptr<QRcode, FreeCode> Encode(const QByteArray &text)
{
    // 8-bit mode: the URL exactly as given, no case folding.
    return std::unique_ptr<QRcode, FreeCode>(QRcode_encodeData(int(text.size()),
        reinterpret_cast<const unsigned char *>(text.constData()), 0, QR_ECLEVEL_M));
}

} // namespace

int QrCode::Width(const QByteArray &text)
{
    const auto code = Encode(text);
    return code ? code->width : 0;
}

QImage QrCode::Render(const QByteArray &text, int scale)
{
    const auto code = Encode(text);
    if (!code || scale < 1)
        return {};
    const int side = (code->width + 2 * kQuietZone) * scale;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code->width; ++y) {
        for (int x = 0; x < code->width; ++x) {
            // Bit 0 of each module's byte: dark.
            if (!(code->data[y * code->width + x] & 1))
                continue;
            for (int dy = 0; dy < scale; ++dy) {
                uchar *row = image.scanLine((y + kQuietZone) * scale + dy);
                std::fill_n(row + (x + kQuietZone) * scale, scale, uchar(0));
            }
        }
    }
    return image;
}

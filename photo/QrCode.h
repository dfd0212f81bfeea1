#pragma once

#include <QByteArray>
#include <QImage>

// A QR code (libqrencode, error correction level M) drawn black on white:
// scale pixels a module, with the quiet zone of four modules around it.
// Null when the text does not fit a QR code.
class QrCode {
public:
    static QImage Render(const QByteArray &text, int scale);
    // Modules across, without the quiet zone; 0 when the text does not fit.
    static int Width(const QByteArray &text);
};

#pragma once

// The module picture: the 1-bit, 512 x 512 bitmap that the TRX-G-K4 module
// overlays on the camera picture, and its conversion from and to a QImage.
// Display-free (QtGui only): the setup program and the module simulator share it.
//
// Layout: 512 rows of 64 bytes, row 0 at the top; only rows 0..309 and columns
// 0..399 are used, everything else is 0. Each row is 32 little-endian 16-bit
// words, word g holding columns 16g (bit 15) to 16g+15 (bit 0); a set bit is a
// drawn pixel.

#include <QImage>

#include <array>
#include <cstdint>
#include <span>

namespace ModulePicture {

inline constexpr int kBytes = 32768;
inline constexpr int kRowBytes = 64;
inline constexpr int kRows = kBytes / kRowBytes;  // 512
// The picture on the PC: 400 x 312 pixels, of which rows 0..309 are sent.
inline constexpr int kPictureWidth = 400;
inline constexpr int kPictureHeight = 312;
inline constexpr int kSentRows = 310;
// A channel value above this counts as drawn (below it is background noise).
inline constexpr int kDrawnThreshold = 20;
// At 8 bits per pixel this palette index is background; every other is drawn.
inline constexpr int kBackgroundIndex = 252;

using Buffer = std::array<std::uint8_t, kBytes>;

// Converts rows 0..309 and columns 0..399 of the picture into drawn bits, one
// bit per pixel at bit (j mod 8) of byte 64r + j/8 (the layout before the word
// bit reversal). With mirror, module column j comes from picture column 399 - j.
// Pixels outside a smaller picture are background.
//
// The pixel is read at the depth at which the picture is held:
//   Indexed8: the palette index; 252 is background, any other index is drawn;
//   1 or 4 bits (Format_Mono/MonoLSB, or Indexed8 with heldBitsPerPixel 4):
//     the palette colour, drawn when red, green or blue is above 20 (an
//     Indexed8 index past the palette is background, as Qt shows it black);
//   16-bit formats: the 16-bit value, drawn when either byte is above 20;
//   RGB888: drawn when any of the three bytes is above 20;
//   RGB32/ARGB32/ARGB32_Premultiplied: drawn when blue, green or red is above 20.
// Any other format is taken at the display depth (converted to RGB32 first).
// heldBitsPerPixel is the depth of the file the picture came from (0 = take it
// from the QImage format); it only matters for 4-bit files, which Qt holds as
// Indexed8.
Buffer ToModulePicture(const QImage &picture, bool mirror, int heldBitsPerPixel = 0);

// Reverses the bits of every little-endian 16-bit word in place (bit k moves
// to bit 15 - k). Turns the result of ToModulePicture into the module layout.
// An odd trailing byte is left as it is.
void ReverseWordBits(std::span<std::uint8_t> buffer);

// Whether any pixel of the module picture is drawn (an empty picture is all
// background, every bit clear).
bool HasDrawnPixel(const Buffer &buffer);

// ToModulePicture followed by ReverseWordBits: the bytes written to the module.
Buffer ModulePictureFromImage(const QImage &picture, bool mirror, int heldBitsPerPixel = 0);

// The inverse for display: a 400 x 312 Format_Mono picture of module bytes
// (module layout, after the word bit reversal). Colour 1 (drawn) is opaque
// white, colour 0 (background) is transparent black, so that the picture can
// be drawn straight over a camera picture. Rows 310 and 311 are background.
QImage ImageFromModulePicture(std::span<const std::uint8_t, kBytes> moduleBytes);

}  // namespace ModulePicture

#pragma once

// A picture for the module as a value: the 400 x 312 source image, the depth
// it is held at (a BMP file's own, 32 for everything else) and its
// conversion into the bytes written into the module. The picture pages show
// one in a CPictureBox; the command line uses it without a window.

#include "ModulePicture.h"

#include <QImage>
#include <QString>

class ModulePictureSource {
public:
    // Each of these drops the current picture first; on failure the value
    // stays empty. They return whether a picture is held.
    // A BMP file, kept at the file's own depth.
    bool LoadFromFile(const QString &path);
    // Bitmap resource id (Ids::BitmapPath), held at display depth (32-bit RGB).
    bool LoadFromResource(int bitmapId);
    // An own copy of picture at display depth: later changes to the caller's
    // image do not show here.
    bool SetImage(const QImage &picture);
    void Clear();

    // Writes the picture as a BMP file at the depth it is held. False (and
    // nothing written) when empty or the file cannot be written; *reason
    // then says why.
    bool SaveToFile(const QString &path, QString *reason = nullptr) const;
    // The conversion (layout before the word bit reversal); an empty picture
    // gives all zeros.
    ModulePicture::Buffer ToModulePicture(bool mirror) const;
    // The bytes written into the module: the conversion above with every
    // 16-bit word bit-reversed.
    ModulePicture::Buffer ModuleBytes(bool mirror) const;

    const QImage &Image() const { return image_; }
    bool IsNull() const { return image_.isNull(); }
    // Depth of the file the picture came from, 32 for resources and images,
    // 0 when empty.
    int HeldBitsPerPixel() const { return heldBits_; }

private:
    bool Take(QImage picture, int heldBits);

    QImage image_;
    int heldBits_ = 0;
};

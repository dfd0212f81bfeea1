#pragma once

// CPictureBox: the picture control of the picture, camera/monitor and
// warning-time pages. It holds a module picture (the full-size bitmap, see
// ModulePictureSource), shows a copy scaled to its size inset on a black
// border like a monitor screen, saves it as BMP and converts it.

#include "ModulePictureSource.h"

#include <QImage>
#include <QString>
#include <QWidget>

class CPictureBox : public QWidget {
    Q_OBJECT
public:
    explicit CPictureBox(QWidget *parent = nullptr);

    // Drops the current picture and loads a BMP file, kept at the file's own
    // depth. A file that cannot be read leaves the control empty, silently.
    // Returns whether a picture was loaded.
    bool LoadFromFile(const QString &path);
    // Drops the current picture and loads bitmap resource id (Ids::BitmapPath),
    // held at display depth (32-bit RGB). Empty on failure.
    bool LoadFromResource(int bitmapId);
    // Drops the current picture and keeps its own copy of picture, at display
    // depth; later changes to the caller's picture do not show here.
    bool SetBitmap(const QImage &picture);
    // Deletes both bitmaps; repaints when asked.
    void Clear(bool repaint);
    // Writes the full-size bitmap as a BMP file at the depth it is held.
    // False (and nothing written) when empty or the file cannot be written;
    // *reason then says why.
    bool SaveToFile(const QString &path, QString *reason = nullptr) const;
    // Converts the full-size bitmap into buffer (layout before the word bit
    // reversal); an empty control gives all zeros.
    void ToModulePicture(ModulePicture::Buffer &buffer, bool mirror) const;
    // The bytes written into the module: the conversion above with every
    // 16-bit word bit-reversed.
    ModulePicture::Buffer ModuleBytes(bool mirror) const;

    const ModulePictureSource &Picture() const { return picture_; }
    const QImage &FullSizeBitmap() const { return picture_.Image(); }
    const QImage &ScaledBitmap() const { return scaled_; }
    // Depth of the file the picture came from, 32 for resources and SetBitmap,
    // 0 when empty.
    int HeldBitsPerPixel() const { return picture_.HeldBitsPerPixel(); }

    // The scaled size for a picture of pictureSize in a client of clientSize:
    // l = min(cw / w, ch / h), size (trunc(w * l + 0.5), trunc(l * h + 0.5)).
    // Empty when either size is empty.
    static QSize FitSize(QSize pictureSize, QSize clientSize);
    // Whether a scaled copy of scaledSize may stay for clientSize: not wider,
    // not taller, and not smaller in both directions at once.
    static bool StillFits(QSize scaledSize, QSize clientSize);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Shows the picture just loaded (or the empty control); returns whether
    // one is held.
    bool Shown(bool loaded);
    void RebuildScaled();

    ModulePictureSource picture_;
    QImage scaled_;
};

#include "ModulePictureSource.h"

#include "BmpFile.h"
#include "ResourceIds.h"

namespace {

// The picture is held at this depth when it does not come from a file.
constexpr QImage::Format kDisplayFormat = QImage::Format_RGB32;
constexpr int kDisplayBits = 32;

}  // namespace

bool ModulePictureSource::LoadFromFile(const QString &path)
{
    Clear();
    int bits = 0;
    QImage picture = Bmp::LoadBmpFile(path, &bits);
    return Take(std::move(picture), bits);
}

bool ModulePictureSource::LoadFromResource(int bitmapId)
{
    Clear();
    QImage picture(Ids::BitmapPath(bitmapId));
    if (!picture.isNull())
        picture = picture.convertToFormat(kDisplayFormat);
    return Take(std::move(picture), kDisplayBits);
}

bool ModulePictureSource::SetImage(const QImage &picture)
{
    Clear();
    // copy() detaches from the caller's data even when no conversion is needed.
    QImage own = picture.isNull() ? QImage() : picture.convertToFormat(kDisplayFormat).copy();
    return Take(std::move(own), kDisplayBits);
}

void ModulePictureSource::Clear()
{
    image_ = QImage();
    heldBits_ = 0;
}

bool ModulePictureSource::SaveToFile(const QString &path, QString *reason) const
{
    return Bmp::SaveBmpFile(image_, path, heldBits_, reason);
}

ModulePicture::Buffer ModulePictureSource::ToModulePicture(bool mirror) const
{
    return ModulePicture::ToModulePicture(image_, mirror, heldBits_);
}

ModulePicture::Buffer ModulePictureSource::ModuleBytes(bool mirror) const
{
    return ModulePicture::ModulePictureFromImage(image_, mirror, heldBits_);
}

bool ModulePictureSource::Take(QImage picture, int heldBits)
{
    if (picture.isNull())
        return false;
    image_ = std::move(picture);
    heldBits_ = heldBits;
    return true;
}

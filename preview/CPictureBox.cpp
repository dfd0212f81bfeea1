#include "CPictureBox.h"

#include "BmpFile.h"
#include "ResourceIds.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace {

// The picture is held at this depth when it does not come from a file.
constexpr QImage::Format kDisplayFormat = QImage::Format_RGB32;
constexpr int kDisplayBits = 32;
// Colour of the outline around the inset picture.
constexpr QRgb kOutlineColour = 0xFF808080;

}  // namespace

CPictureBox::CPictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CPictureBox::LoadFromFile(const QString &path)
{
    Clear(false);
    int bits = 0;
    QImage picture = Bmp::LoadBmpFile(path, &bits);
    TakePicture(std::move(picture), bits);
    update();
    return !full_.isNull();
}

bool CPictureBox::LoadFromResource(int bitmapId)
{
    Clear(false);
    QImage picture(Ids::BitmapPath(bitmapId));
    if (!picture.isNull())
        picture = picture.convertToFormat(kDisplayFormat);
    TakePicture(std::move(picture), kDisplayBits);
    update();
    return !full_.isNull();
}

bool CPictureBox::SetBitmap(const QImage &picture)
{
    Clear(false);
    // copy() detaches from the caller's data even when no conversion is needed.
    QImage own = picture.isNull() ? QImage() : picture.convertToFormat(kDisplayFormat).copy();
    TakePicture(std::move(own), kDisplayBits);
    update();
    return !full_.isNull();
}

void CPictureBox::Clear(bool repaint)
{
    full_ = QImage();
    scaled_ = QImage();
    heldBits_ = 0;
    if (repaint)
        update();
}

bool CPictureBox::SaveToFile(const QString &path, QString *reason) const
{
    return Bmp::SaveBmpFile(full_, path, heldBits_, reason);
}

void CPictureBox::ToModulePicture(ModulePicture::Buffer &buffer, bool mirror) const
{
    buffer = ModulePicture::ToModulePicture(full_, mirror, heldBits_);
}

ModulePicture::Buffer CPictureBox::ModuleBytes(bool mirror) const
{
    return ModulePicture::ModulePictureFromImage(full_, mirror, heldBits_);
}

QSize CPictureBox::FitSize(QSize pictureSize, QSize clientSize)
{
    if (pictureSize.isEmpty() || clientSize.isEmpty())
        return QSize();
    const double w = pictureSize.width();
    const double h = pictureSize.height();
    const double l = std::min(clientSize.width() / w, clientSize.height() / h);
    return QSize(static_cast<int>(w * l + 0.5), static_cast<int>(l * h + 0.5));
}

bool CPictureBox::StillFits(QSize scaledSize, QSize clientSize)
{
    const bool wider = scaledSize.width() > clientSize.width();
    const bool taller = scaledSize.height() > clientSize.height();
    const bool smallerBoth = scaledSize.width() < clientSize.width()
        && scaledSize.height() < clientSize.height();
    return !wider && !taller && !smallerBoth;
}

void CPictureBox::TakePicture(QImage picture, int heldBits)
{
    if (picture.isNull())
        return;
    full_ = std::move(picture);
    heldBits_ = heldBits;
    RebuildScaled();
}

void CPictureBox::RebuildScaled()
{
    scaled_ = QImage();
    const QSize size = FitSize(full_.size(), rect().size());
    if (size.isEmpty())
        return;
    // Smooth scaling stands in for half-tone stretching.
    scaled_ = full_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void CPictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (full_.isNull())
        return;
    if (!scaled_.isNull() && StillFits(scaled_.size(), rect().size()))
        return;
    RebuildScaled();
}

void CPictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect client = rect();
    int w = 0;
    int h = 0;
    if (!scaled_.isNull()) {
        w = scaled_.width();
        h = scaled_.height();
        // Off-screen: black, the picture inset by a twentieth and a sixteenth,
        // then the grey outline along the inset's edge.
        QImage screen(w, h, kDisplayFormat);
        screen.fill(Qt::black);
        {
            QPainter off(&screen);
            off.setRenderHint(QPainter::SmoothPixmapTransform, true);
            const int left = w / 20;
            const int top = h / 16;
            off.drawImage(QRect(left, top, w - 2 * left, h - 2 * top), scaled_);
            off.setRenderHint(QPainter::Antialiasing, false);
            off.setPen(QPen(QColor::fromRgb(kOutlineColour), 0));
            const QPoint outline[] = {{left, top}, {w - left, top}, {w - left, h - top},
                                      {left, h - top}, {left, top}};
            off.drawPolyline(outline, 5);
        }
        painter.drawImage(client.topLeft(), screen);
    }
    // The rest of the client in the dialog face colour.
    const QColor face = palette().color(QPalette::Window);
    const QRect right(client.left() + w, client.top(), client.width() - w, client.height());
    const QRect below(client.left(), client.top() + h, w, client.height() - h);
    if (!right.isEmpty())
        painter.fillRect(right, face);
    if (!below.isEmpty())
        painter.fillRect(below, face);
}

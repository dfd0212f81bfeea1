#include "CPictureBox.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

namespace {

// The depth of the off-screen picture.
constexpr QImage::Format kDisplayFormat = QImage::Format_RGB32;
// Colour of the outline around the inset picture.
constexpr QRgb kOutlineColour = 0xFF808080;

}  // namespace

CPictureBox::CPictureBox(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

bool CPictureBox::LoadFromFile(const QString &path)
{
    scaled_ = QImage();
    return Shown(picture_.LoadFromFile(path));
}

bool CPictureBox::LoadFromResource(int bitmapId)
{
    scaled_ = QImage();
    return Shown(picture_.LoadFromResource(bitmapId));
}

bool CPictureBox::SetBitmap(const QImage &picture)
{
    scaled_ = QImage();
    return Shown(picture_.SetImage(picture));
}

void CPictureBox::Clear(bool repaint)
{
    picture_.Clear();
    scaled_ = QImage();
    if (repaint)
        update();
}

bool CPictureBox::SaveToFile(const QString &path, QString *reason) const
{
    return picture_.SaveToFile(path, reason);
}

void CPictureBox::ToModulePicture(ModulePicture::Buffer &buffer, bool mirror) const
{
    buffer = picture_.ToModulePicture(mirror);
}

ModulePicture::Buffer CPictureBox::ModuleBytes(bool mirror) const
{
    return picture_.ModuleBytes(mirror);
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

bool CPictureBox::Shown(bool loaded)
{
    if (loaded)
        RebuildScaled();
    update();
    return loaded;
}

void CPictureBox::RebuildScaled()
{
    scaled_ = QImage();
    const QImage &full = picture_.Image();
    const QSize size = FitSize(full.size(), rect().size());
    if (size.isEmpty())
        return;
    // Smooth scaling stands in for half-tone stretching.
    scaled_ = full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void CPictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (picture_.IsNull())
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

#include "CMetafileBox.h"

#include "ResourceIds.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

CMetafileBox::CMetafileBox(QWidget *parent) : QWidget(parent)
{
    // Every pixel is painted each time; the backing store double-buffers.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CMetafileBox::~CMetafileBox() = default;

bool CMetafileBox::LoadResource(int id)
{
    return LoadFile(Ids::IllustrationPath(id));
}

bool CMetafileBox::LoadFile(const QString &path)
{
    renderer_.reset();
    update();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    auto renderer = std::make_unique<QSvgRenderer>(data);
    if (renderer->isValid())
        renderer_ = std::move(renderer);
    return true;
}

QRect CMetafileBox::PictureRect(QSize clientSize)
{
    const int w = clientSize.width();
    const int h = clientSize.height();
    if (w / 4 < h / 3) {
        const int height = 3 * (w / 4);
        return QRect(0, (h - height) / 2, w, height);
    }
    const int width = 4 * (h / 3);
    return QRect((w - width) / 2, 0, width, h);
}

void CMetafileBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!renderer_)
        return;
    const QRect target = PictureRect(size());
    if (!target.isEmpty())
        renderer_->render(&painter, QRectF(target));
}

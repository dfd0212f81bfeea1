#include "CAboutBox.h"

#include "CLinkStatic.h"
#include "ResourceIds.h"

#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

namespace {

constexpr int kIconPixels = 32;

// The program icon drawn from its SVG; a null pixmap when there is none.
QPixmap ProgramIcon()
{
    const QString path = Ids::IllustrationPath(Ids::IDI_ICON);
    if (!QFile::exists(path))
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(kIconPixels, kIconPixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

QString CAboutBox::ContactAddress()
{
    return QStringLiteral("info@tarvello.ru");
}

QString CAboutBox::SupportAddress()
{
    return QStringLiteral("support@tarvello.ru");
}

QRect CAboutBox::Units(int x, int y, int w, int h) const
{
    // Dialog units of the dialog font: 4 per average character width
    // across, 8 per character height down.
    const QFontMetrics fm(font());
    const int bx = fm.averageCharWidth();
    const int by = fm.height();
    auto px = [](int du, int base, int per) { return (du * base + per / 2) / per; };
    return QRect(px(x, bx, 4), px(y, by, 8), px(w, bx, 4), px(h, by, 8));
}

CAboutBox::CAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(Ids::ObjectName(Ids::IDD_ABOUTBOX));
    setWindowTitle(tr("О программе настройки Tarvello"));

    icon_ = new QLabel(this);
    const QRect iconAt = Units(11, 17, 0, 0);
    icon_->setGeometry(iconAt.x(), iconAt.y(), kIconPixels, kIconPixels);
    const QPixmap pixmap = ProgramIcon();
    if (!pixmap.isNull())
        icon_->setPixmap(pixmap);

    auto *name = new QLabel(tr("Программа настройки Tarvello 1.0"), this);
    name->setGeometry(Units(36, 14, 152, 8));
    auto *copyright = new QLabel(tr("© Tarvello, 2026"), this);
    copyright->setGeometry(Units(36, 26, 152, 8));

    contact_ = new CLinkStatic(this);
    contact_->setObjectName(Ids::ObjectName(Ids::IDC_LINK_CONTACT));
    contact_->setGeometry(Units(36, 46, 152, 8));

    auto *supportNote = new QLabel(tr("Техническая поддержка по адресу"), this);
    supportNote->setGeometry(Units(36, 66, 152, 8));

    support_ = new CLinkStatic(this);
    support_->setObjectName(Ids::ObjectName(Ids::IDC_LINK_SUPPORT));
    support_->setGeometry(Units(36, 78, 152, 8));

    ok_ = new QPushButton(tr("OK"), this);
    ok_->setObjectName(Ids::ObjectName(Ids::ID_OK));
    ok_->setGeometry(Units(138, 129, 50, 14));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    // As the dialog initialises: targets first, sizes kept as laid out, the
    // links attached, then the texts shown.
    contact_->SetTarget(QStringLiteral("mailto:") + ContactAddress());
    support_->SetTarget(QStringLiteral("mailto:") + SupportAddress());
    contact_->SetFitToText(false);
    support_->SetFitToText(false);
    contact_->Attach();
    support_->Attach();
    contact_->setText(tr("Email: ") + ContactAddress());
    support_->setText(tr("Email: ") + SupportAddress());

    const QRect size = Units(0, 0, 195, 150);
    setFixedSize(size.width(), size.height());
}

#include "CPageView.h"

#include "PageHost.h"
#include "ResourceIds.h"

#include <QFile>
#include <QPalette>
#include <QResizeEvent>
#include <QTextBrowser>

CPageView::CPageView(PageInfo info, QWidget *parent)
    : QWidget(parent), info_(std::move(info)), subStep_(info_.initialSubStep)
{
    setObjectName(Ids::ObjectName(info_.dialogId));
}

CPageView::~CPageView() = default;

QRect CPageView::TemplateUnits() const
{
    return QRect(0, 0, 290, 205);
}

QSize CPageView::TemplateSize() const
{
    return DialogUnitsToPixels(this, TemplateUnits()).size();
}

void CPageView::EnsureInitialised()
{
    if (initialised_)
        return;
    initialised_ = true;
    OnInitDialog();
}

void CPageView::OnInitDialog()
{
    // The controls are placed for the template's size, then carried to the
    // page's present size by the layout helper, before any text is laid out.
    const QSize placed = size();
    resize(TemplateSize());
    BuildDialog(this, Template());
    BindControls();

    layout_.Create(this, true, 100);
    for (const ControlSpec &spec : Template()) {
        if (spec.id == 0)
            continue;
        if (spec.kind == ControlSpec::Kind::HelpText)
            layout_.AddById(spec.id, 0, 0, 100, 0);
        else if (spec.kind == ControlSpec::Kind::Frame || spec.kind == ControlSpec::Kind::Picture)
            layout_.AddById(spec.id, 0, 0, 100, 100);
        else
            layout_.AddById(spec.id, 100, 0, 0, 0);
    }
    layout_.SetMinTrackingSizeToCurrent();
    if (placed.isValid() && !placed.isEmpty() && placed != size()) {
        resize(placed);
        layout_.Resize(placed.width(), placed.height());
    }

    if (QTextBrowser *help = HelpText()) {
        QPalette p = help->palette();
        p.setColor(QPalette::Base, palette().color(QPalette::Button));
        help->setPalette(p);
    }
    if (info_.firstHelpText)
        LoadHelpText(info_.firstHelpText);
}

void CPageView::BeginActivation()
{
    if (host_) {
        settings_ = &host_->SheetSettings();
        if (info_.viewItemId)
            host_->CheckViewItem(info_.viewItemId);
    }
}

bool CPageView::OnSetActive()
{
    if (host_) {
        host_->SetBackEnabled(AllowsBack());
        host_->StartTitleTimer();
    }
    return true;
}

int CPageView::OnWizardStep(bool)
{
    return 0;
}

int CPageView::LoadHelpText(int resourceId)
{
    QTextBrowser *help = HelpText();
    if (!help)
        return 1;
    QFile file(Ids::HelpTextPath(resourceId));
    if (file.open(QIODevice::ReadOnly))
        help->setHtml(QString::fromUtf8(file.readAll()));
    else
        help->clear();
    return 1;
}

QWidget *CPageView::ReplaceControl(int id, QWidget *replacement)
{
    QWidget *old = Control(id);
    replacement->setParent(this);
    replacement->setObjectName(Ids::ObjectName(id));
    if (old) {
        replacement->setGeometry(old->geometry());
        delete old;
    }
    replacement->show();
    return replacement;
}

QTextBrowser *CPageView::HelpText() const
{
    return ControlAs<QTextBrowser>(Ids::IDC_HELPTEXT);
}

QWidget *CPageView::Control(int id) const
{
    return findChild<QWidget *>(Ids::ObjectName(id), Qt::FindDirectChildrenOnly);
}

void CPageView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (HelpText())
        layout_.Resize(event->size().width(), event->size().height());
}

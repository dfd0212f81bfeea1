#include "CPageView.h"

#include "CValueSpinCtrl.h"
#include "ConfigurationDocument.h"
#include "PageHost.h"
#include "ResourceIds.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFile>
#include <QLineEdit>
#include <QPalette>
#include <QResizeEvent>
#include <QTextBrowser>

CPageView::CPageView(PageInfo info, QWidget *parent)
    : QWidget(parent), info_(std::move(info)), subStep_(info_.initialSubStep)
{
    setObjectName(Ids::ObjectName(info_.dialogId));
}

CPageView::~CPageView() = default;

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
    BindFieldRows();

    layout_.Create(this, true, 100);
    RegisterResize();
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

void CPageView::RegisterResize()
{
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
}

void CPageView::BindFieldRows()
{
    std::vector<CoordinateRow> rows;
    int lastRow = -1;
    for (int r = 0; r < kRows; ++r) {
        editX_[r] = ControlAs<QLineEdit>(Ids::IDC_EDIT_X0 + r);
        editY_[r] = ControlAs<QLineEdit>(Ids::IDC_EDIT_Y0 + r);
        spinX_[r] = ControlAs<CValueSpinCtrl>(Ids::IDC_SPIN_X0 + r);
        spinY_[r] = ControlAs<CValueSpinCtrl>(Ids::IDC_SPIN_Y0 + r);
        rows.push_back({editX_[r], spinX_[r], editY_[r], spinY_[r]});
        if (editX_[r] || editY_[r])
            lastRow = r;
        if (spinX_[r])
            connect(spinX_[r], &CValueSpinCtrl::Spun, this, [this, r] { OnRowSpun(r, true); });
        if (spinY_[r])
            connect(spinY_[r], &CValueSpinCtrl::Spun, this, [this, r] { OnRowSpun(r, false); });
    }
    const FieldKeyRules rules = KeyRules();
    if (lastRow < 0 || (!rules.enter && !rules.nudge))
        return;
    rows.resize(lastRow + 1);
    // Enter and Shift with the cursor keys are handled for the whole page
    // before the focused control sees them.
    keys_ = new CoordinateKeys(this);
    keys_->SetRules(rules);
    keys_->SetRows(std::move(rows));
    keys_->SetAfterChange([this](int row) { OnRowChanged(row); });
    keys_->SetRowFocused([this](int row) { OnRowFocused(row); });
    keys_->Watch(this);
}

QButtonGroup *CPageView::RadioGroup(int firstId) const
{
    return findChild<QButtonGroup *>(RadioGroupName(firstId), Qt::FindDirectChildrenOnly);
}

int CPageView::RadioIndex(int firstId) const
{
    const QButtonGroup *group = RadioGroup(firstId);
    return group ? group->checkedId() : -1;
}

void CPageView::SetRadioIndex(int firstId, int index)
{
    if (QButtonGroup *group = RadioGroup(firstId))
        if (QAbstractButton *button = group->button(index))
            button->setChecked(true);
}

void CPageView::BeginActivation()
{
    if (host_ && info_.viewItemId)
        host_->CheckViewItem(info_.viewItemId);
    activated_ = true;
}

bool CPageView::OnSetActive()
{
    if (host_) {
        host_->SetBackEnabled(AllowsBack());
        host_->StartTitleTimer();
    }
    return true;
}

const Settings *CPageView::SettingsRecord() const
{
    return host_ ? &host_->Document().Record() : nullptr;
}

bool CPageView::EditRecord(const std::function<void(ConfigurationEdit &)> &edit)
{
    return host_ && host_->Document().Edit(edit);
}

void CPageView::EndHeldPresses()
{
    for (const auto &spins : {spinX_, spinY_})
        for (CValueSpinCtrl *spin : spins)
            if (spin)
                spin->EndPress();
}

void CPageView::CommitToRecord()
{
    if (keys_)
        keys_->CommitPending();
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

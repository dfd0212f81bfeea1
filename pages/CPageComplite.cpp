#include "CPageComplite.h"
#include "ResourceIds.h"
#include "CMetafileBox.h"
#include "PageHost.h"
#include <QTimer>

CPageComplite::CPageComplite(QWidget *parent)
    : CPageViewPic({Ids::IDD_COMPLITE, tr("Настройка завершена"), 0, Ids::HELP_COMPLITE, 0}, parent)
{
}

std::vector<ControlSpec> CPageComplite::Template() const
{
    return {
        {Ids::IDC_HELPTEXT, ControlSpec::Kind::HelpText, {}, QRect(5, 5, 280, 55)},
        {Ids::IDC_PICTURE, ControlSpec::Kind::Picture, {}, QRect(5, 65, 280, 135)},
    };
}

void CPageComplite::BindControls()
{
    auto *box = new CMetafileBox;
    ReplaceControl(Ids::IDC_PICTURE, box);
    box->LoadResource(Ids::ILLUSTRATION_COMPLITE);
}

bool CPageComplite::OnSetActive()
{
    BeginActivation();
    // Posted, so that it takes effect after the sheet has finished the
    // page change.
    QTimer::singleShot(0, this, [this] {
        if (Host() && isVisible())
            Host()->ShowFinishOnly(tr("Готово"));
    });
    return CPageViewPic::OnSetActive();
}

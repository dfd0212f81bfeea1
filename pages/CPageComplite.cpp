#include "CPageComplite.h"
#include "ResourceIds.h"
#include "PageHost.h"
#include <QTimer>

CPageComplite::CPageComplite(QWidget *parent)
    : CPageViewPic({Ids::IDD_COMPLITE, tr("Настройка завершена"), 0, Ids::HELP_COMPLITE, 0}, parent)
{
}

std::vector<ControlSpec> CPageComplite::Template() const
{
    return IllustrationTemplate();
}

void CPageComplite::BindControls()
{
    BindIllustration(Ids::ILLUSTRATION_COMPLITE);
}

bool CPageComplite::OnSetActive()
{
    // Posted, so that it takes effect after the sheet has finished the
    // page change.
    QTimer::singleShot(0, this, [this] {
        if (Host() && isVisible())
            Host()->ShowFinishOnly(tr("Готово"));
    });
    return CPageViewPic::OnSetActive();
}

#include "CPageComplete.h"
#include "ResourceIds.h"
#include "PageHost.h"
#include <QTimer>

CPageView::PageInfo CPageComplete::Info()
{
    return {Ids::IDD_COMPLETE, tr("Настройка завершена"), 0, Ids::HELP_COMPLETE, 0};
}

CPageComplete::CPageComplete(QWidget *parent)
    : CPageViewPic(Info(), parent)
{
}

std::vector<ControlSpec> CPageComplete::Template() const
{
    return IllustrationTemplate();
}

void CPageComplete::BindControls()
{
    BindIllustration(Ids::ILLUSTRATION_COMPLETE);
}

bool CPageComplete::OnSetActive()
{
    // Posted, so that it takes effect after the sheet has finished the
    // page change.
    QTimer::singleShot(0, this, [this] {
        if (Host() && isVisible())
            Host()->ShowFinishOnly(tr("Готово"));
    });
    return CPageViewPic::OnSetActive();
}

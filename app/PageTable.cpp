#include "PageTable.h"

#include "CPageBaseLine.h"
#include "CPageComplete.h"
#include "CPageGridShift.h"
#include "CPageLeftBord.h"
#include "CPageLeftCurve.h"
#include "CPageLineBold.h"
#include "CPageLoadBMP.h"
#include "CPageLoadWarn.h"
#include "CPageMarkPlace.h"
#include "CPageMirrorLine.h"
#include "CPageMonCam.h"
#include "CPageParktronic.h"
#include "CPageRightBord.h"
#include "CPageRightCurve.h"
#include "CPageSysAs.h"
#include "CPageWarning.h"
#include "ResourceIds.h"

#include <QtGlobal>

#include <typeinfo>

namespace {

template <typename Page>
constexpr PageRow Row(WizardStep step, int viewItemId, const char *viewText, const char *manualSection,
                      FollowedStep follows = FollowedStep::None)
{
    return {step,
            []() -> std::unique_ptr<CPageView> { return std::make_unique<Page>(); },
            &Page::Info,
            [](const CPageView *page) { return page != nullptr && typeid(*page) == typeid(Page); },
            viewItemId, viewText, manualSection, follows};
}

using S = WizardStep;
using F = FollowedStep;

constexpr std::array<PageRow, kWizardSteps> kPages = {
    Row<CPageSysAs>(S::SysAs, Ids::ID_VIEW_SYSAS, QT_TRANSLATE_NOOP("CPageSheet", "&Сборка системы"), "page01"),
    Row<CPageMonCam>(S::MonCam, Ids::ID_VIEW_MONCAM,
                     QT_TRANSLATE_NOOP("CPageSheet", "&Установка параметров камеры и монитора"), "page02",
                     F::CameraMonitor),
    Row<CPageGridShift>(S::GridShift, Ids::ID_VIEW_GRIDSHIFT, QT_TRANSLATE_NOOP("CPageSheet", "С&двиг решетки"), "page03",
                        F::GridShift),
    Row<CPageBaseLine>(S::BaseLine, Ids::ID_VIEW_BASELINE, QT_TRANSLATE_NOOP("CPageSheet", "Ввод &базовой линии"), "page04", F::Points),
    Row<CPageLeftBord>(S::LeftBord, Ids::ID_VIEW_LEFTBORD, QT_TRANSLATE_NOOP("CPageSheet", "Ввод &левой границы"), "page05", F::Points),
    Row<CPageMirrorLine>(S::MirrorLine, Ids::ID_VIEW_MIRRORLINE,
                         QT_TRANSLATE_NOOP("CPageSheet", "Ввод линии си&мметрии"), "page06"),
    Row<CPageRightBord>(S::RightBord, Ids::ID_VIEW_RIGHTBORD,
                        QT_TRANSLATE_NOOP("CPageSheet", "Ввод правой &границы"), "page07", F::Points),
    Row<CPageLeftCurve>(S::LeftCurve, Ids::ID_VIEW_LEFTCURVE, QT_TRANSLATE_NOOP("CPageSheet", "Ввод левой &кривой"), "page08", F::Points),
    Row<CPageRightCurve>(S::RightCurve, Ids::ID_VIEW_RIGHTCURVE,
                         QT_TRANSLATE_NOOP("CPageSheet", "Ввод правой кри&вой"), "page09", F::Points),
    Row<CPageLineBold>(S::LineBold, Ids::ID_VIEW_LINEBOLD,
                       QT_TRANSLATE_NOOP("CPageSheet", "Установка &толщины линий"), "page10"),
    Row<CPageMarkPlace>(S::MarkPlace, Ids::ID_VIEW_MARKPLACE,
                        QT_TRANSLATE_NOOP("CPageSheet", "&Размещение маркеров"), "page11"),
    Row<CPageLoadBMP>(S::LoadBMP, Ids::ID_VIEW_LOADBMP,
                      QT_TRANSLATE_NOOP("CPageSheet", "Загрузка и запись &изображения"), "page12"),
    Row<CPageLoadWarn>(S::LoadWarn, Ids::ID_VIEW_LOADWARN,
                       QT_TRANSLATE_NOOP("CPageSheet", "Загрузка и запись пр&едупреждения"), "page13"),
    Row<CPageParktronic>(S::Parktronic, Ids::ID_VIEW_PARKTRONIC, QT_TRANSLATE_NOOP("CPageSheet", "&Парктроник"), "page14",
                         F::ParkingSensor),
    Row<CPageWarning>(S::Warning, Ids::ID_VIEW_WARNING,
                      QT_TRANSLATE_NOOP("CPageSheet", "Настройка времени п&оказа предупреждения"), "page15", F::Warning),
    Row<CPageComplete>(S::Complete, 0, nullptr, "page16"),
};

// Every row sits at the index of its own step.
constexpr bool InStepOrder()
{
    for (int i = 0; i < kWizardSteps; ++i)
        if (StepIndex(kPages[i].step) != i)
            return false;
    return true;
}
static_assert(InStepOrder(), "the page table lists the pages in wizard order");

} // namespace

const std::array<PageRow, kWizardSteps> &PageTable()
{
    return kPages;
}

const PageRow &PageRowOf(WizardStep step)
{
    return kPages[StepIndex(step)];
}

const PageRow *PageRowOf(const CPageView *page)
{
    for (const PageRow &row : kPages)
        if (row.holds(page))
            return &row;
    return nullptr;
}

const PageRow *PageRowOfViewItem(int commandId)
{
    for (const PageRow &row : kPages)
        if (row.viewItemId != 0 && row.viewItemId == commandId)
            return &row;
    return nullptr;
}

#include "MonitorState.h"

#include <algorithm>

namespace ModuleSim {

static_assert(ModuleExecutor::kPictureSize == ModulePicture::kBytes, "one picture area holds one module picture");

MonitorState MonitorState::Capture(const ModuleExecutor &executor, long long commands)
{
    MonitorState state;
    state.settings = executor.Settings();
    const auto &memory = executor.Memory();
    std::copy_n(memory.begin() + ModuleExecutor::kGuidePictureAddress, state.guidePicture.size(),
                state.guidePicture.begin());
    std::copy_n(memory.begin() + ModuleExecutor::kWarningPictureAddress, state.warningPicture.size(),
                state.warningPicture.begin());
    state.commands = commands;
    return state;
}

QString MonitorState::Summary() const
{
    const ModuleSettings &s = settings;
    return QStringLiteral("ATS%1 ATJ%2 ATK%3 ATQ%4 ATG%5 ATH%6 ATO%7 ATR%8 ATP%9 ATF%10")
        .arg(s.screen)
        .arg(s.gridShiftX)
        .arg(s.gridShiftY)
        .arg(s.mirroring)
        .arg(s.lineBrightness)
        .arg(s.backgroundBrightness)
        .arg(s.sensorIndicator)
        .arg(s.indicatorX)
        .arg(s.indicatorY)
        .arg(s.warningTime);
}

} // namespace ModuleSim

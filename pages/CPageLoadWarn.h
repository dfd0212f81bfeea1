#pragma once

#include "CPageLoadPicture.h"

// Wizard page "Загрузка и запись предупреждения": the warning picture the
// module shows when reverse gear is engaged, built in or the installer's own
// BMP, written into the module at 0xE0000.
class CPageLoadWarn : public CPageLoadPicture {
    Q_OBJECT

public:
    explicit CPageLoadWarn(QWidget *parent = nullptr);
    static PageInfo Info();

protected:
    void ShowBuiltInPicture() override;
    void SendActivationCommands(DeviceLink &link) override;
};

#pragma once

#include "CPageLoadPicture.h"

// Wizard page "Загрузка и запись изображения": the guide-line picture, as
// the labels page rendered it or from the installer's own BMP, written into
// the module at 0xD0000.
class CPageLoadBMP : public CPageLoadPicture {
    Q_OBJECT

public:
    explicit CPageLoadBMP(QWidget *parent = nullptr);
    static PageInfo Info();

protected:
    bool OffersPhotoCheck() const override { return true; }
    void ShowBuiltInPicture() override;
    void SendActivationCommands(DeviceLink &link) override;
};

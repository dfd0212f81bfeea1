#pragma once

class ConfigurationDocument;
class QString;

// What a wizard page needs from the sheet that hosts it. CPageSheet
// implements it; page tests can host pages with a small fake.
class PageHost {
public:
    virtual ~PageHost() = default;

    // The wizard's configuration: pages read its record and change it only
    // through its edits.
    virtual ConfigurationDocument &Document() = 0;
    // Arms the one-shot title refresh (10 ms).
    virtual void StartTitleTimer() = 0;
    // Checks the View menu item commandId and unchecks the one checked before.
    virtual void CheckViewItem(int commandId) = 0;
    virtual void SetBackEnabled(bool enabled) = 0;
    // Shows only the Finish button, captioned finishText (the last page).
    virtual void ShowFinishOnly(const QString &finishText) = 0;
    // Asks for a picture of the monitor and shows it in the photo window:
    // the grid and the marks (points to take), or the normal display with
    // the written lines (how far they lie from the marks).
    enum class PhotoUse { Points, LineCheck };
    virtual void OpenMonitorPhoto(PhotoUse) {}
    // The same photo sent from the installer's phone ("С телефона...").
    virtual void OpenPhonePhoto(PhotoUse) {}
};

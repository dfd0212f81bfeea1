#pragma once

#include "CPageView.h"

class CGuideLinePreview;

// Base of the pages that show the guide-line preview and up to five
// coordinate rows. On activation the preview gets every guide point, the
// grid shift and the line style of the settings record. Unless a page
// chooses otherwise, its rows answer Enter and nudge the active row by 0.05
// grid units within -2..12 on Shift + cursor keys.
class CPageViewControl : public CPageView {
    Q_OBJECT

public:
    using CPageView::CPageView;
    ~CPageViewControl() override;

    bool OnSetActive() override;

    CGuideLinePreview *Preview() const { return preview_; }

    // Width in dialog units of the pages whose fields need more room beside
    // the preview than the others (rows of two fields with labels).
    static constexpr int kWidePageWidth = 320;

    // Help text and the preview frame 1017, the controls every such page
    // has; the help text spans a page of the given width.
    static std::vector<ControlSpec> BaseTemplate(int pageWidth = 290);

protected:
    void BindControls() override;
    FieldKeyRules KeyRules() const override { return FieldKeyRules(); }
    // The guide point a row edits, or -1; focus entering the row's edits
    // highlights that point in the preview.
    virtual int RowGuidePoint(int row) const;
    void OnRowFocused(int row) override;

    void resizeEvent(QResizeEvent *event) override;

private:
    CGuideLinePreview *preview_ = nullptr;
};

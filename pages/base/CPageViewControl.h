#pragma once

#include "CPageView.h"

#include <array>

class CGuideLinePreview;
class CValueSpinCtrl;
class CoordinateKeys;
class QLineEdit;

// Base of the pages that show the guide-line preview and up to five
// coordinate rows (X edit 1025+r, X spin 1030+r, Y edit 1035+r, Y spin
// 1040+r). On activation the preview gets every guide point, the grid shift
// and the line style of the settings record.
class CPageViewControl : public CPageView {
    Q_OBJECT

public:
    static constexpr int kRows = 5;

    using CPageView::CPageView;
    ~CPageViewControl() override;

    bool OnSetActive() override;

    CGuideLinePreview *Preview() const { return preview_; }
    QLineEdit *EditX(int row) const { return editX_[row]; }
    QLineEdit *EditY(int row) const { return editY_[row]; }
    CValueSpinCtrl *SpinX(int row) const { return spinX_[row]; }
    CValueSpinCtrl *SpinY(int row) const { return spinY_[row]; }

    // Help text and the preview frame 1017, the controls every such page has.
    static std::vector<ControlSpec> BaseTemplate();

protected:
    void BindControls() override;
    // The guide point a row edits, or -1; focus entering the row's edits
    // highlights that point in the preview.
    virtual int RowGuidePoint(int row) const;
    // A row's value was committed with Enter or moved with Shift and a
    // cursor key (the field already shows the new value).
    virtual void OnRowChanged(int row);
    // A spin of a row was clicked (the field already shows the new value).
    virtual void OnRowSpun(int row, bool xField);

    CoordinateKeys *Keys() const { return keys_; }

    void resizeEvent(QResizeEvent *event) override;

private:
    std::array<QLineEdit *, kRows> editX_{};
    std::array<QLineEdit *, kRows> editY_{};
    std::array<CValueSpinCtrl *, kRows> spinX_{};
    std::array<CValueSpinCtrl *, kRows> spinY_{};
    CGuideLinePreview *preview_ = nullptr;
    CoordinateKeys *keys_ = nullptr;  // only on pages with coordinate rows
};

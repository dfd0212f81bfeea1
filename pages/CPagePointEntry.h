#pragma once

#include "CPageViewControl.h"

#include <QPointF>

#include <optional>
#include <vector>

class QPushButton;

// Base of the pages that enter guide points one row at a time and then show
// them together for review: the base line, the two borders and the two
// curves. The sub-step counter (CPageView::SubStep) is -1 until the page is
// first shown, n while row n is entered, and one past the review in the
// direction it was reached while the review is shown; it survives leaving
// the page, and New and Load set it back to -1. While a page is shown the
// module shows its calibration grid; point changes go to the settings record
// and the preview only.
class CPagePointEntry : public CPageViewControl {
    Q_OBJECT

public:
    struct RowSpec {
        int guidePoint;    // the slot this row edits
        int sharedPoint;   // a slot written together with it on a change, or -1
        QString xLabel;
        int helpText;
    };
    struct Steps {
        std::vector<RowSpec> rows;
        int reviewHelpText = 0;
        // The border pages: a skip button on rows 0 and 1, and the review
        // leaves the rows of skipped points disabled.
        bool skipButton = false;
    };

    CPagePointEntry(PageInfo info, Steps steps, QWidget *parent = nullptr);
    // The facts the rows decide, added to the page's own: the template's
    // extent and the guide points the rows edit.
    static PageInfo WithRows(PageInfo info, const Steps &steps);

    int RowCount() const { return static_cast<int>(steps_.rows.size()); }
    bool OnSetActive() override;
    int OnWizardStep(bool forward) override;
    ViewState View() const override { return {SubStep(), reviewShown_}; }
    void ShowView(const ViewState &view) override;
    // The rows and the preview show the record again; an edit of a point
    // sends the module nothing, and neither does this.
    void OnRecordRestored() override;
    // Back to -1: the next visit starts at the first row again.
    void OnConfigurationReplaced() override
    {
        SetSubStep(-1);
        focusedRow_ = -1;
        reviewShown_ = false;
    }
    // Button 1078: the current row's point is kept but marked skipped, and
    // the next row (or the review) is shown.
    void SkipPoint();
    QPushButton *SkipButton() const;
    // The guide point a row edits.
    int RowGuidePoint(int row) const override;

    // The row a point taken off a picture of the monitor fills: the row
    // being entered; in the review the row whose field had the focus last,
    // else the keys' active row. -1 before the first row is shown.
    int PhotoRow() const;
    // What a click on the picture fills, for the photo window's status line.
    QString PhotoTargetText() const;
    // Fills the photo row with a grid point (module grid units), rounded to
    // the fields' step and entered as if typed with Enter. False when no
    // row takes it (none shown, a skipped one) or the range check refused it.
    bool TakePhotoPoint(QPointF grid);

    // The points a photo of the monitor proposes, one per row (nullopt: none
    // for that row); empty when no photo proposes any. The row being entered
    // shows its proposal in its fields, set apart, until it is taken or left;
    // the record does not change.
    void SetPhotoProposals(std::vector<std::optional<QPointF>> perRow);
    // The proposal for the photo row.
    std::optional<QPointF> PhotoProposal() const;
    // Every proposed point of the page taken as one edit (with the points
    // they share), then the review. False when nothing was proposed.
    bool TakeAllPhotoProposals();

signals:
    // The row a photo point would fill may have changed.
    void PhotoTargetChanged();

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    void OnRowChanged(int row) override;
    void OnRowSpun(int row, bool xField) override;
    void OnRowFocused(int row) override;
    // Runs during activation after the rows are loaded and the grid is
    // asked for, before the preview takes the settings.
    virtual void OnActivated() {}

private:
    // Stores the row's point (and its shared point) in the preview and the
    // settings record, enabled, and highlights it.
    void AfterChange(int row);
    void LoadRows();
    // The row's fields show its point as the record holds it.
    void LoadRow(int row);
    // What the review and the entry of row n show; the record is not touched.
    void ShowReview();
    void ShowEntryRow(int n);
    void ShowRow(int row, bool visible, bool enabled);
    void SetRowEnabled(int row, bool enabled);
    // The proposal of the row being entered into its fields, or the fields
    // back to the record.
    void ShowProposal();
    void DropProposal();
    void ShowProposalStyle(int row, bool proposed);
    double Rounded(double v) const;

    Steps steps_;
    std::vector<std::optional<QPointF>> proposals_;
    int proposalShown_ = -1; // the row whose fields show a proposal
    int focusedRow_ = -1;
    bool reviewShown_ = false;
};

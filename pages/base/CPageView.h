#pragma once

#include "CResizeCtrl.h"
#include "CoordinateKeys.h"
#include "DialogTemplate.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <vector>

class CValueSpinCtrl;
class ConfigurationEdit;
class DeviceLink;
class PageHost;
class QButtonGroup;
class QLineEdit;
class QTextBrowser;
class Settings;

// Base of every wizard page: its help text, its dialog template, the
// borrowed settings record and device link, the sub-step index that Next and
// Back move through OnWizardStep, and the activation pattern every page ends
// with. A page's numeric fields are up to five rows (X edit 1025+r, X spin
// 1030+r, Y edit 1035+r, Y spin 1040+r, any of them left out); the page
// chooses how they answer Enter and Shift + cursor keys (KeyRules).
class CPageView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRows = 5;

    // What is known of a page class without building a page: each class
    // gives its own through a static Info(), which the page table reads for
    // the title, the sheet's size and the edit history.
    struct PageInfo {
        int dialogId = 0;
        QString caption;
        int viewItemId = 0;  // View menu command; 0 = the page has none
        int firstHelpText = 0;
        int initialSubStep = 0;
        QRect units = QRect(0, 0, 290, 205);  // the template's extent in dialog units
        std::vector<int> guidePoints{};       // the guide points its rows edit, in row order
    };

    explicit CPageView(PageInfo info, QWidget *parent = nullptr);
    ~CPageView() override;

    int DialogId() const { return info_.dialogId; }
    const QString &Caption() const { return info_.caption; }
    int ViewItemId() const { return info_.viewItemId; }

    void SetHost(PageHost *host) { host_ = host; }
    PageHost *Host() const { return host_; }
    // Set by start-up for every page before the wizard runs; the page borrows it.
    void SetLink(DeviceLink *link) { link_ = link; }
    DeviceLink *Link() const { return link_; }
    // The wizard's record, read only; null when no host is set.
    const Settings *SettingsRecord() const;
    // Changes the record through the host's configuration document (which
    // tells the history, the module and the title). False when nothing changed.
    bool EditRecord(const std::function<void(ConfigurationEdit &)> &edit);
    // Ends a press-and-hold on any of the rows' spin arrows (before a
    // device error box, so that one press shows its boxes once).
    void EndHeldPresses();

    int SubStep() const { return subStep_; }
    void SetSubStep(int index) { subStep_ = index; }

    // What the page shows of its steps, for the edit history: its sub-step
    // and, on a point page, whether the review is up.
    struct ViewState {
        int subStep = 0;
        bool review = false;
        bool operator==(const ViewState &) const = default;
    };
    virtual ViewState View() const { return {subStep_, false}; }
    // Shows that state again (undo, redo) without a change to the record.
    virtual void ShowView(const ViewState &view) { subStep_ = view.subStep; }
    // Undo or redo changed the record while the page is shown: the page
    // shows it as on a visit (the module follows the record by itself).
    virtual void OnRecordRestored() { OnSetActive(); }

    // Runs OnInitDialog the first time the page is shown, as a property
    // sheet does just before the first activation (the record may be read).
    void EnsureInitialised();
    bool IsInitialised() const { return initialised_; }
    // True from the page's first activation on. Until then the page's own
    // set-up fills its controls, and their handlers must not act on the
    // record or the module.
    bool WasActivated() const { return activated_; }

    // Page activation: the page's own work, ending with the base activation.
    virtual bool OnSetActive();
    // Leaving the page (before the next page's activation).
    virtual bool OnKillActive() { return true; }
    // Gives the record what the page shows but has not given it yet: numbers
    // typed into its fields and not entered. The sheet calls it before the
    // page is left, before its sub-step moves, and before the configuration
    // is saved, compared or replaced.
    virtual void CommitToRecord();
    // A new configuration replaced the record (New, Load): the page forgets
    // what it kept of the previous one.
    virtual void OnConfigurationReplaced() {}
    // Next (forward) or Back inside the page; nonzero = consumed.
    virtual int OnWizardStep(bool forward);
    // The first page disables Back when it becomes active.
    virtual bool AllowsBack() const { return true; }

    // Replaces the help text with the help resource id; returns 1.
    int LoadHelpText(int resourceId);
    QTextBrowser *HelpText() const;

    // Size of the page's template in pixels (the page's initial size).
    QSize TemplateSize() const;
    QRect TemplateUnits() const { return info_.units; }

    // The numeric fields of row r (null where the template has none).
    QLineEdit *EditX(int row) const { return editX_[row]; }
    QLineEdit *EditY(int row) const { return editY_[row]; }
    CValueSpinCtrl *SpinX(int row) const { return spinX_[row]; }
    CValueSpinCtrl *SpinY(int row) const { return spinY_[row]; }

    // The field keys of the page; null when it has no fields or KeyRules
    // chose none.
    CoordinateKeys *Keys() const { return keys_; }

    // The radio button group that starts with control firstId: the index of
    // the checked button (-1 for none), and checking one by index.
    int RadioIndex(int firstId) const;
    void SetRadioIndex(int firstId, int index);
    QButtonGroup *RadioGroup(int firstId) const;

protected:
    // The page's controls in dialog units; the first is the help text 1024.
    virtual std::vector<ControlSpec> Template() const = 0;
    // Builds the template and registers the controls with the layout helper
    // (RegisterResize). Pages extend it with their own set-up.
    virtual void OnInitDialog();
    // Called by OnInitDialog between building the template and registering
    // the controls: pages put their own widgets in place of template
    // controls here (the preview on 1017, a picture on 1055).
    virtual void BindControls() {}
    // Registers the controls with the layout helper (after BindControls):
    // help text (0,0,100,0), preview or picture (0,0,100,100), every other
    // control with an id (100,0,0,0). Pages laid out otherwise override it.
    virtual void RegisterResize();
    // Puts replacement in the place, size and id of the template control id
    // and deletes that control. Returns replacement.
    QWidget *ReplaceControl(int id, QWidget *replacement);

    // How the page's numeric fields answer keys; asked once, when the page
    // is initialised. Plain pages: Enter with the range check only.
    virtual FieldKeyRules KeyRules() const { return FieldKeyRules::EnterOnly(); }
    // A row's value changed: committed with Enter, moved with Shift and a
    // cursor key, or stepped with its spin (the field already shows the new
    // value).
    virtual void OnRowChanged(int /*row*/) {}
    // A spin of a row was clicked: by default any other change of the row.
    // Pages that answer a spin differently (only its own axis) override it.
    virtual void OnRowSpun(int row, bool /*xField*/) { OnRowChanged(row); }
    // Focus entered an X or Y edit of the row.
    virtual void OnRowFocused(int /*row*/) {}

    // First step of every page's activation: check the page's View menu item.
    void BeginActivation();

    QWidget *Control(int id) const;
    template <typename T> T *ControlAs(int id) const { return qobject_cast<T *>(Control(id)); }

    void resizeEvent(QResizeEvent *event) override;

    CResizeCtrl layout_;

private:
    void BindFieldRows();

    std::array<QLineEdit *, kRows> editX_{};
    std::array<QLineEdit *, kRows> editY_{};
    std::array<CValueSpinCtrl *, kRows> spinX_{};
    std::array<CValueSpinCtrl *, kRows> spinY_{};
    CoordinateKeys *keys_ = nullptr;
    PageInfo info_;
    PageHost *host_ = nullptr;
    DeviceLink *link_ = nullptr;
    int subStep_ = 0;
    bool initialised_ = false;
    bool activated_ = false;
};

#pragma once

#include "CPageMirrorLine.h"
#include "CResizeCtrl.h"
#include "Configuration.h"
#include "PageHost.h"
#include "PageTable.h"
#include "Settings.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class DeviceLink;
class QAction;
class QFrame;
class QMenuBar;
class QPushButton;

// The program's only window: the wizard with its 16 pages, the settings
// record, the menu, the accelerators, the file commands and the title.
class CPageSheet : public QDialog, public PageHost {
    Q_OBJECT

public:
    static constexpr int kPageCount = kWizardSteps;

    explicit CPageSheet(const QString &caption, QWidget *parent = nullptr);
    ~CPageSheet() override;

    // Gives every page the one device link (borrowed, not owned).
    void SetLink(DeviceLink *link);

    // Pages in wizard order.
    CPageView *Page(int index) const { return order_[index]; }
    CPageView *Page(WizardStep step) const { return order_[StepIndex(step)]; }
    template <typename T> T *PageAs(WizardStep step) const { return static_cast<T *>(Page(step)); }
    int PageIndex(const CPageView *page) const;
    CPageView *ActivePage() const;
    int ActiveIndex() const { return active_; }
    // Makes the page with this wizard index the active page.
    void SetActivePage(int index);
    void SetActivePage(WizardStep step) { SetActivePage(StepIndex(step)); }

    // Runs the command of a menu item or accelerator (menu ids).
    void RunCommand(int commandId);
    QAction *MenuAction(int commandId) const;
    QMenuBar *MenuBar() const { return menuBar_; }
    QPushButton *Button(int id) const;

    // Next and Back as the wizard buttons do them: the page may consume them.
    void PressNext();
    void PressBack();

    const ConfigurationFiles &Files() const { return files_; }
    // The title as the title timer sets it.
    QString TitleText() const;
    // The current file's name, without its folder.
    QString CurrentFileName() const;

    // Closing (Cancel, "Выход", "Готово", Esc, the window's close button)
    // first asks whether to save changes that would be lost.
    void accept() override;
    void reject() override;

    // PageHost
    Settings &SheetSettings() override { return settings_; }
    void StartTitleTimer() override;
    void CheckViewItem(int commandId) override;
    void SetBackEnabled(bool enabled) override;
    void ShowFinishOnly(const QString &finishText) override;
    RightSideRecompute *RightSide() override { return PageAs<CPageMirrorLine>(WizardStep::MirrorLine); }

signals:
    // The first page has been painted (used to measure start-up).
    void FirstPagePainted();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OnInitDialog();
    void BuildMenu();
    void BuildButtons();
    void PlaceActivePage();
    void ResetWizardButtons();
    // Leaves the active page (its numbers typed and not entered taken
    // first); false when the page stays.
    bool LeaveActivePage();
    void CommitActivePage();
    // Whether the record holds other settings than the current file.
    bool IsModified() const;
    // New and Load: leaves the page, runs replace, and starts again at the
    // first page; when replace fails, goes back to the page left.
    void ReplaceConfiguration(const std::function<bool()> &replace);
    void SyncViewChecks();
    void OnTitleTimer();
    void FileNew();
    void FileLoad();
    // True when the settings were written.
    bool FileSave();
    // True unless the installer chose to stay; saves first when asked to.
    bool MayDiscardChanges();
    void FileSaveAs();
    bool HandleWizardKey(int key);

    // The pages, made from the page table, in wizard order.
    std::array<std::unique_ptr<CPageView>, kPageCount> pages_;

    Settings settings_;
    Settings saved_;  // what the current file holds: as last loaded or saved
    ConfigurationFiles files_;  // the default file name and the current file path
    QMenuBar *menuBar_ = nullptr;
    CResizeCtrl resize_;
    int checkedItem_ = 0;

    std::array<CPageView *, kPageCount> order_{};  // pages_, borrowed
    QFrame *divider_ = nullptr;
    int active_ = -1;
    DeviceLink *link_ = nullptr;
    QTimer titleTimer_;
    bool initialised_ = false;
    bool firstPaintSeen_ = false;
};

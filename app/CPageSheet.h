#pragma once

#include "CMonitorPhotoWindow.h"
#include "CPhonePhotoDialog.h"
#include "CResizeCtrl.h"
#include "ConfigurationDocument.h"
#include "EditHistory.h"
#include "ModuleFollower.h"
#include "PageHost.h"
#include "PageTable.h"
#include "RecentFiles.h"
#include "Settings.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class CCarLibraryWindow;
class DeviceLink;
class QAction;
class QFrame;
class QMenuBar;
class QPushButton;

// The program's only window: the wizard with its 16 pages, the menu, the
// accelerators and the title; the file commands run on its configuration
// document. It holds a slot for each row of the page table and builds a page
// the first time it is needed (shown, or asked for through Page); what it
// needs of a page not yet built (caption, View item, size, guide points) it
// takes from the page table.
class CPageSheet : public QDialog, public PageHost, private DocumentHost {
    Q_OBJECT

public:
    static constexpr int kPageCount = kWizardSteps;

    explicit CPageSheet(const QString &caption, QWidget *parent = nullptr);
    ~CPageSheet() override;

    // Gives every page the one device link (borrowed, not owned), also the
    // pages built later.
    void SetLink(DeviceLink *link);

    // Pages in wizard order, each built the first time it is asked for.
    CPageView *Page(int index);
    CPageView *Page(WizardStep step) { return Page(StepIndex(step)); }
    template <typename T> T *PageAs(WizardStep step) { return static_cast<T *>(Page(step)); }
    // The page when it has been built; null otherwise (nothing is built).
    CPageView *BuiltPage(int index) const { return pages_[index].get(); }
    CPageView *BuiltPage(WizardStep step) const { return BuiltPage(StepIndex(step)); }
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

    const ConfigurationFiles &Files() const { return document_.Files(); }
    // The title as the title timer sets it.
    QString TitleText() const;

    // Closing (Cancel, "Выход", "Готово", Esc, the window's close button)
    // first asks whether to save changes that would be lost.
    void accept() override;
    void reject() override;

    // The wizard's record, read only (it changes through Document()).
    const Settings &SheetSettings() const { return document_.Record(); }

    // PageHost
    ConfigurationDocument &Document() override { return document_; }
    void StartTitleTimer() override;
    void CheckViewItem(int commandId) override;
    void SetBackEnabled(bool enabled) override;
    void ShowFinishOnly(const QString &finishText) override;
    // Points only on a point page; the line check only from the guide-line
    // picture page's button.
    void OpenMonitorPhoto(PhotoUse use) override;
    void OpenPhonePhoto(PhotoUse use) override;
    // The window of the phone's QR code, once it was asked for.
    CPhonePhotoDialog *PhoneDialog() const { return phone_; }

    // The photo window, once a picture was opened (it is kept when closed).
    CMonitorPhotoWindow *PhotoWindow() const { return photo_; }
    // The car library while it is open.
    CCarLibraryWindow *LibraryWindow() const;

    // The undo history of the record ("Правка").
    EditHistory &History() { return *history_; }

signals:
    // The first page has been painted (used to measure start-up).
    void FirstPagePainted();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void OnInitDialog();
    // Makes the page of the row and hands it the sheet and the link.
    void BuildPage(int index);
    void BuildMenu();
    // "Последние файлы": the items of the list as it is now.
    void UpdateRecentMenu();
    void OpenRecentFile(int index);
    // A list that could not be written is said once: every file used after
    // would say it again.
    void NoteRecentFilesKept(bool kept);
    void OpenCarLibrary();
    void BuildButtons();
    void PlaceActivePage();
    void ResetWizardButtons();
    // DocumentHost. Leaving the active page takes its numbers typed and
    // not entered first; false when the page stays.
    bool LeaveActivePage() override;
    void CommitActivePage() override;
    void ReturnToLeftPage() override;
    void ShowFirstPage() override;
    void SyncViewChecks();
    void OnTitleTimer();
    bool HandleWizardKey(int key);
    // The photo window, made on first use.
    CMonitorPhotoWindow *EnsurePhotoWindow();
    // Points the photo window at the active page's rows (or at none).
    void UpdatePhotoTarget();
    // Where the installer is: the place every edit is recorded with.
    EditPlace CurrentPlace() const override;
    // Undo and redo show the page and the view where their step was made.
    void ShowPlace(const EditPlace &place);
    // Every change of the record: the title, and the page shown when undo
    // or redo changed it.
    void RecordChanged(const DocumentChange &change);
    void UpdateEditActions();
    // Ctrl+Z in a coordinate field with a number typed and not entered
    // undoes the typing; everywhere else it is the history's.
    bool FieldKeepsUndoKey(QObject *watched, QKeyEvent *key) const;

    // One slot per page-table row, in wizard order; empty until the page
    // is first needed.
    std::array<std::unique_ptr<CPageView>, kPageCount> pages_;

    ConfigurationDocument document_{this};
    ModuleFollower follower_{document_};
    QMenuBar *menuBar_ = nullptr;
    CResizeCtrl resize_;
    int checkedItem_ = 0;

    QFrame *divider_ = nullptr;
    int active_ = -1;
    int leftIndex_ = -1;  // the page the last LeaveActivePage left
    DeviceLink *link_ = nullptr;
    QTimer titleTimer_;
    bool initialised_ = false;
    bool firstPaintSeen_ = false;
    QPointer<CMonitorPhotoWindow> photo_;
    QPointer<CPhonePhotoDialog> phone_;
    PhotoUse phoneUse_ = PhotoUse::Points;
    std::unique_ptr<EditHistory> history_;
    RecentFiles recent_;
    bool recentNotKeptSaid_ = false;
    QPointer<CCarLibraryWindow> library_;
};

#include "CPageSheet.h"

#include "CAboutBox.h"
#include "CCarLibraryWindow.h"
#include "CPagePointEntry.h"
#include "DeviceLink.h"
#include "DialogTemplate.h"
#include "MarkProposal.h"
#include "ModuleCommands.h"
#include "ProgramHelp.h"
#include "ResourceIds.h"
#include "UserMessage.h"

#include <QApplication>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace {

// Height of the strip below the pages: the divider line and the buttons.
constexpr int kButtonStrip = 46;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 26;
constexpr int kTitleTimerMs = 10;
// The sheet grows this much beyond its pages when it first opens.
constexpr int kInitialGrowth = 100;

// Enter on a focused push button presses that button, as in any dialog; Next
// (or Finish) stays the default button for Enter everywhere else. Enter
// counts when it reaches the sheet, that is when the focused control left it
// unused (the numeric fields take theirs before).
class FocusedButtonEnter : public QObject {
public:
    explicit FocusedButtonEnter(QWidget *sheet) : QObject(sheet), sheet_(sheet)
    {
        sheet->installEventFilter(this);
        // A control that is disabled or hidden while it has the focus (Next
        // on the last page, a page being left) hands it to the next one in
        // line, often a button the installer never chose; the sheet takes it
        // instead, so that Enter still presses the default button.
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
            if (old && qobject_cast<QPushButton *>(now) && now->window() == sheet_ && old->window() == sheet_
                && (!old->isEnabled() || !old->isVisible()))
                sheet_->setFocus(Qt::OtherFocusReason);
        });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || watched != sheet_)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = (key->key() == Qt::Key_Return && !key->modifiers())
            || (key->key() == Qt::Key_Enter && (key->modifiers() & ~Qt::KeypadModifier) == 0);
        auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget());
        if (!enter || !button || button->window() != sheet_ || !button->isVisible() || !button->isEnabled())
            return false;
        // A held Enter presses once, not once per repeat.
        if (!key->isAutoRepeat())
            button->click();
        return true;
    }

private:
    QWidget *sheet_;
};

} // namespace

CPageSheet::CPageSheet(const QString &caption, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CPageSheet"));
    setWindowTitle(caption);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    titleTimer_.setSingleShot(true);
    titleTimer_.setInterval(kTitleTimerMs);
    connect(&titleTimer_, &QTimer::timeout, this, &CPageSheet::OnTitleTimer);

    history_ = std::make_unique<EditHistory>(
        document_, [this](const EditPlace &place) { ShowPlace(place); },
        [](int index) {
            return index >= 0 && index < kPageCount ? PageTable()[index].info().guidePoints : std::vector<int>{};
        });
    document_.Observe([this](const DocumentChange &change) { RecordChanged(change); });
    // A failed command ends a held spin arrow's repeat before its box.
    follower_.SetBeforeBox([this] {
        if (CPageView *page = ActivePage())
            page->EndHeldPresses();
    });

    BuildMenu();
    BuildButtons();
    qApp->installEventFilter(this);
    document_.SetFileUsed([this](const QString &path) {
        NoteRecentFilesKept(recent_.Add(path));
        UpdateRecentMenu();
    });
}

CPageSheet::~CPageSheet()
{
    qApp->removeEventFilter(this);
    // Before the pages: it calls into the active one.
    delete phone_;
    delete photo_;
    // The pages are members: take them out of the widget tree before the
    // dialog base deletes its children.
    for (const auto &page : pages_)
        if (page)
            page->setParent(nullptr);
}

void CPageSheet::SetLink(DeviceLink *link)
{
    link_ = link;
    follower_.SetLink(link);
    for (const auto &page : pages_)
        if (page)
            page->SetLink(link);
}

CPageView *CPageSheet::Page(int index)
{
    if (!pages_[index])
        BuildPage(index);
    return pages_[index].get();
}

void CPageSheet::BuildPage(int index)
{
    std::unique_ptr<CPageView> page = PageTable()[index].create();
    page->setParent(this);
    page->SetHost(this);
    page->SetLink(link_);
    page->hide();
    if (auto *points = qobject_cast<CPagePointEntry *>(page.get()))
        connect(points, &CPagePointEntry::PhotoTargetChanged, this, [this] {
            if (photo_)
                photo_->RefreshStatus();
        });
    pages_[index] = std::move(page);
}

int CPageSheet::PageIndex(const CPageView *page) const
{
    for (int i = 0; i < kPageCount; ++i)
        if (page && pages_[i].get() == page)
            return i;
    return -1;
}

CPageView *CPageSheet::ActivePage() const
{
    return active_ >= 0 ? pages_[active_].get() : nullptr;
}

void CPageSheet::BuildMenu()
{
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName(Ids::ObjectName(Ids::IDR_MENU));
    menuBar_->setNativeMenuBar(false);

    auto add = [this](QMenu *menu, int id, const QString &text, bool checkable = false) {
        QAction *action = menu->addAction(text);
        action->setObjectName(Ids::ObjectName(id));
        action->setData(id);
        action->setCheckable(checkable);
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        return action;
    };

    QMenu *file = menuBar_->addMenu(tr("&Файл"));
    add(file, Ids::ID_FILE_NEW, tr("&Новая конфигурация\tCtrl-N"));
    add(file, Ids::ID_FILE_LOAD, tr("&Загрузить\tCtrl-O"));
    QMenu *recent = file->addMenu(tr("&Последние файлы"));
    recent->setObjectName(QStringLiteral("recentFiles"));
    for (int id = Ids::ID_FILE_MRU_FILE1; id <= Ids::ID_FILE_MRU_FILE8; ++id)
        add(recent, id, QString());
    recent->addAction(tr("(пусто)"))->setEnabled(false);
    connect(recent, &QMenu::aboutToShow, this, &CPageSheet::UpdateRecentMenu);
    add(file, Ids::ID_FILE_LIBRARY, tr("&Библиотека автомобилей..."));
    file->addSeparator();
    add(file, Ids::ID_FILE_SAVE, tr("&Сохранить\tCtrl-S"));
    add(file, Ids::ID_FILE_SAVE_AS, tr("Сохранить &как ..."));
    file->addSeparator();
    add(file, Ids::ID_FILE_EXIT, tr("В&ыход"));

    UpdateRecentMenu();
    QMenu *editMenu = menuBar_->addMenu(tr("&Правка"));
    add(editMenu, Ids::ID_EDIT_UNDO, {});
    add(editMenu, Ids::ID_EDIT_REDO, {});
    connect(&history_->Stack(), &QUndoStack::indexChanged, this, &CPageSheet::UpdateEditActions);
    connect(&history_->Stack(), &QUndoStack::cleanChanged, this, &CPageSheet::UpdateEditActions);
    UpdateEditActions();

    QMenu *view = menuBar_->addMenu(tr("&Вид"));
    for (const PageRow &row : PageTable())
        if (row.viewItemId != 0)
            add(view, row.viewItemId, tr(row.viewText), true);
    view->addSeparator();
    add(view, Ids::ID_MONITOR_PHOTO, tr("С&нимок монитора...\tCtrl-M"));

    QMenu *help = menuBar_->addMenu(tr("&Справка"));
    add(help, Ids::ID_HELP_CONTENTS, tr("&Вызов справки\tF1"));
    add(help, Ids::ID_HELP_ABOUT, tr("&О программе"));

    // Accelerator table: separate from the menu texts, which name the keys.
    const std::pair<QKeySequence, int> accelerators[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), Ids::ID_FILE_NEW},
        {QKeySequence(Qt::CTRL | Qt::Key_O), Ids::ID_FILE_LOAD},
        {QKeySequence(Qt::CTRL | Qt::Key_S), Ids::ID_FILE_SAVE},
        {QKeySequence(Qt::CTRL | Qt::Key_M), Ids::ID_MONITOR_PHOTO},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), Ids::ID_EDIT_UNDO},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), Ids::ID_EDIT_REDO},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), Ids::ID_EDIT_REDO},
    };
    for (const auto &[keys, id] : accelerators) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { RunCommand(id); });
    }
}

void CPageSheet::UpdateEditActions()
{
    const QUndoStack &stack = history_->Stack();
    QAction *undo = MenuAction(Ids::ID_EDIT_UNDO);
    QAction *redo = MenuAction(Ids::ID_EDIT_REDO);
    if (!undo || !redo)
        return;
    // "Отменить: точка 2 левой границы"; the bare verb when there is nothing to take back.
    undo->setText((stack.canUndo() ? tr("&Отменить: %1").arg(stack.undoText()) : tr("&Отменить")) + tr("\tCtrl-Z"));
    redo->setText((stack.canRedo() ? tr("&Повторить: %1").arg(stack.redoText()) : tr("&Повторить"))
                  + tr("\tCtrl-Shift-Z"));
    undo->setEnabled(stack.canUndo());
    redo->setEnabled(stack.canRedo());
}

void CPageSheet::BuildButtons()
{
    divider_ = new QFrame(this);
    divider_->setObjectName(Ids::ObjectName(Ids::ID_WIZDIVIDER));
    divider_->setFrameShape(QFrame::HLine);
    divider_->setFrameShadow(QFrame::Sunken);

    const std::pair<int, QString> buttons[] = {
        {Ids::ID_WIZBACK, tr("< Назад")}, {Ids::ID_WIZNEXT, tr("Далее >")},
        {Ids::ID_WIZFINISH, tr("Готово")}, {Ids::ID_CANCEL, tr("Отмена")},
        {Ids::ID_HELP, tr("Справка")},
    };
    for (const auto &[id, text] : buttons) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(Ids::ObjectName(id));
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
    }
    Button(Ids::ID_WIZNEXT)->setDefault(true);
    Button(Ids::ID_WIZFINISH)->hide();
    connect(Button(Ids::ID_WIZNEXT), &QPushButton::clicked, this, &CPageSheet::PressNext);
    connect(Button(Ids::ID_WIZBACK), &QPushButton::clicked, this, &CPageSheet::PressBack);
    connect(Button(Ids::ID_WIZFINISH), &QPushButton::clicked, this, &QDialog::accept);
    connect(Button(Ids::ID_CANCEL), &QPushButton::clicked, this, &QDialog::reject);
    connect(Button(Ids::ID_HELP), &QPushButton::clicked, this, [this] { RunCommand(Ids::ID_HELP_CONTENTS); });
    new FocusedButtonEnter(this);
}

QPushButton *CPageSheet::Button(int id) const
{
    return findChild<QPushButton *>(Ids::ObjectName(id), Qt::FindDirectChildrenOnly);
}

QAction *CPageSheet::MenuAction(int commandId) const
{
    return menuBar_->findChild<QAction *>(Ids::ObjectName(commandId));
}

void CPageSheet::showEvent(QShowEvent *event)
{
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CPageSheet::OnInitDialog()
{
    // Size the sheet to its largest page (as the page table says, without
    // building the pages), lay out the menu and the buttons for that size,
    // and let the resize helper carry them from there.
    QSize pages(0, 0);
    for (const PageRow &row : PageTable())
        pages = pages.expandedTo(DialogUnitsToPixels(this, row.info().units).size());
    const int menuHeight = menuBar_->sizeHint().height();
    const QSize client(pages.width(), menuHeight + pages.height() + kButtonStrip);
    resize(client);
    menuBar_->setGeometry(0, 0, client.width(), menuHeight);
    divider_->setGeometry(7, client.height() - kButtonStrip + 2, client.width() - 14, 2);
    const int y = client.height() - kButtonStrip + 12;
    int x = client.width() - 7;
    for (int id : {Ids::ID_HELP, Ids::ID_CANCEL, Ids::ID_WIZFINISH, Ids::ID_WIZNEXT, Ids::ID_WIZBACK}) {
        x -= kButtonWidth;
        Button(id)->setGeometry(x, y, kButtonWidth, kButtonHeight);
        if (id == Ids::ID_WIZFINISH)
            x += kButtonWidth; // Finish shares Next's place: only one of them shows
        else
            x -= 6;
    }
    Button(Ids::ID_WIZFINISH)->setGeometry(Button(Ids::ID_WIZNEXT)->geometry());

    resize_.Create(this, true, 100);
    resize_.Add(divider_, 0, 100, 100, 0);
    for (int id : {Ids::ID_WIZNEXT, Ids::ID_WIZBACK, Ids::ID_WIZFINISH, Ids::ID_CANCEL, Ids::ID_HELP})
        resize_.Add(Button(id), 100, 100, 0, 0);
    resize_.SetMinTrackingSizeToCurrent();

    checkedItem_ = Ids::ID_VIEW_SYSAS;
    MenuAction(Ids::ID_VIEW_SYSAS)->setChecked(true);

    resize(client + QSize(kInitialGrowth, kInitialGrowth));
    if (QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    document_.OpenDefault();

    SetActivePage(0);
}

void CPageSheet::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    menuBar_->setGeometry(0, 0, width(), menuBar_->sizeHint().height());
    PlaceActivePage();
    resize_.Resize(width(), height());
}

void CPageSheet::PlaceActivePage()
{
    if (CPageView *page = ActivePage()) {
        const int top = menuBar_->height();
        page->setGeometry(0, top, width(), std::max(0, height() - top - kButtonStrip));
    }
}

void CPageSheet::ResetWizardButtons()
{
    Button(Ids::ID_WIZBACK)->show();
    Button(Ids::ID_WIZNEXT)->show();
    Button(Ids::ID_WIZFINISH)->hide();
    Button(Ids::ID_WIZFINISH)->setDefault(false);
    Button(Ids::ID_WIZNEXT)->setEnabled(active_ < kPageCount - 1);
    // Enter presses the visible forward button: Next again once the last
    // page has made Finish the default.
    Button(Ids::ID_WIZNEXT)->setDefault(true);
}

bool CPageSheet::LeaveActivePage()
{
    CPageView *old = ActivePage();
    leftIndex_ = active_;
    if (!old)
        return true;
    old->CommitToRecord();
    if (!old->OnKillActive())
        return false;
    follower_.Left(PageTable()[active_].follows);
    old->hide();
    active_ = -1;
    history_->Break();
    return true;
}

void CPageSheet::CommitActivePage()
{
    if (CPageView *page = ActivePage())
        page->CommitToRecord();
}

void CPageSheet::ReturnToLeftPage()
{
    SetActivePage(leftIndex_);
}

void CPageSheet::ShowFirstPage()
{
    // A page not built yet reads the new record when it is first shown.
    for (const auto &page : pages_)
        if (page)
            page->OnConfigurationReplaced();
    SetActivePage(0);
}

void CPageSheet::SetActivePage(int index)
{
    if (index < 0 || index >= kPageCount || index == active_)
        return;
    if (!LeaveActivePage())
        return;
    CPageView *page = Page(index);
    active_ = index;
    ResetWizardButtons();
    PlaceActivePage();
    page->EnsureInitialised();
    page->show();
    follower_.Shown(PageTable()[index].follows);
    page->OnSetActive();
    MenuAction(Ids::ID_MONITOR_PHOTO)->setEnabled(qobject_cast<CPagePointEntry *>(page) != nullptr);
    UpdatePhotoTarget();
}

EditPlace CPageSheet::CurrentPlace() const
{
    EditPlace place;
    place.page = active_;
    if (const CPageView *page = ActivePage()) {
        const CPageView::ViewState view = page->View();
        place.subStep = view.subStep;
        place.review = view.review;
    }
    return place;
}

void CPageSheet::ShowPlace(const EditPlace &place)
{
    // The page shown is left on the record it showed (the module gets what
    // leaving it sends) before the record changes under the step's page.
    SetActivePage(place.page);
    if (CPageView *page = ActivePage(); page && active_ == place.page)
        page->ShowView({place.subStep, place.review});
}

void CPageSheet::RecordChanged(const DocumentChange &change)
{
    if (change.origin == DocumentChange::Origin::Restore)
        if (CPageView *page = ActivePage())
            page->OnRecordRestored();
    StartTitleTimer();
}

bool CPageSheet::FieldKeepsUndoKey(QObject *watched, QKeyEvent *key) const
{
    const CPageView *page = ActivePage();
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!page || !edit || !edit->isModified() || !page->Keys())
        return false;
    if (!key->matches(QKeySequence::Undo) && !key->matches(QKeySequence::Redo))
        return false;
    for (const CoordinateRow &row : page->Keys()->Rows())
        if (edit == row.xEdit || edit == row.yEdit)
            return true;
    return false;
}

void CPageSheet::OpenMonitorPhoto(PhotoUse use)
{
    CPageView *page = ActivePage();
    if (use == PhotoUse::Points && !qobject_cast<CPagePointEntry *>(page))
        return;
    const std::optional<QString> path = CMonitorPhotoWindow::AskPhotoPath();
    if (!path)
        return;
    EnsurePhotoWindow();
    if (use == PhotoUse::Points) {
        photo_->OpenPointPhoto(*path, ModuleCommands::InRange(SheetSettings(), &Settings::CameraShiftY));
    } else {
        // The grid shift as the grid-shift page sends it.
        const Settings &s = SheetSettings();
        photo_->OpenLinePhoto(*path, ModuleCommands::InRange(s, &Settings::CameraShiftX),
                              ModuleCommands::InRange(s, &Settings::CameraShiftY));
    }
    UpdatePhotoTarget();
}

CMonitorPhotoWindow *CPageSheet::EnsurePhotoWindow()
{
    if (!photo_) {
        photo_ = new CMonitorPhotoWindow(this);
        photo_->PlaceBeside(this);
        connect(photo_, &CMonitorPhotoWindow::MarksChanged, this, &CPageSheet::UpdatePhotoTarget);
        connect(photo_, &CMonitorPhotoWindow::PhoneRequested, this, [this] {
            OpenPhonePhoto(photo_->CurrentUse() == CMonitorPhotoWindow::Use::Points ? PhotoUse::Points
                                                                                     : PhotoUse::LineCheck);
        });
    }
    return photo_;
}

void CPageSheet::OpenPhonePhoto(PhotoUse use)
{
    if (use == PhotoUse::Points && !qobject_cast<CPagePointEntry *>(ActivePage())
        && !(photo_ && photo_->isVisible()))
        return;
    phoneUse_ = use;
    if (!phone_) {
        phone_ = new CPhonePhotoDialog(this);
        connect(phone_, &CPhonePhotoDialog::FileWanted, this, [this] { OpenMonitorPhoto(phoneUse_); });
        connect(phone_, &CPhonePhotoDialog::PhotoReceived, this, [this](const QString &path, const QImage &picture) {
            EnsurePhotoWindow();
            // The grid shift as the grid-shift page sends it: where the grid
            // stands on the screen tells the photo's top.
            const Settings &s = SheetSettings();
            photo_->OpenDecodedPhoto(path, picture,
                                     phoneUse_ == PhotoUse::Points ? CMonitorPhotoWindow::Use::Points
                                                                   : CMonitorPhotoWindow::Use::LineCheck,
                                     ModuleCommands::InRange(s, &Settings::CameraShiftX),
                                     ModuleCommands::InRange(s, &Settings::CameraShiftY));
            UpdatePhotoTarget();
        });
    }
    phone_->show();
    phone_->raise();
    phone_->activateWindow();
}

void CPageSheet::UpdatePhotoTarget()
{
    if (!photo_)
        return;
    auto *page = qobject_cast<CPagePointEntry *>(ActivePage());
    if (!page) {
        photo_->SetTarget(CMonitorPhotoWindow::Target{});
        return;
    }
    // The marks the photo shows, each as the guide point its place stands for.
    std::vector<std::optional<QPointF>> proposals;
    if (photo_->isVisible() && photo_->CurrentUse() == CMonitorPhotoWindow::Use::Points && photo_->Mapping()) {
        std::vector<QPointF> grid;
        for (const MarkCandidate &mark : photo_->Marks())
            grid.push_back(mark.grid);
        std::vector<int> guidePoints;
        for (int r = 0; r < page->RowCount(); ++r)
            guidePoints.push_back(page->RowGuidePoint(r));
        for (int index : MarkProposal::Propose(grid, guidePoints))
            proposals.push_back(index >= 0 ? std::optional(grid[index]) : std::nullopt);
    }
    page->SetPhotoProposals(std::move(proposals));
    CMonitorPhotoWindow::Target target;
    target.take = [page](QPointF grid) { return page->TakePhotoPoint(grid); };
    target.confirm = [this, page](QPointF grid) {
        const bool entering = page->SubStep() >= 0 && page->SubStep() < page->RowCount();
        if (!page->TakePhotoPoint(grid))
            return false;
        // On to the next row (or the review), as F6 goes.
        if (entering && ActivePage() == page)
            HandleWizardKey(Qt::Key_F6);
        return true;
    };
    target.takeAll = [page] { return page->TakeAllPhotoProposals(); };
    target.proposal = [page] { return page->PhotoProposal(); };
    target.text = [page] { return page->PhotoTargetText(); };
    photo_->SetTarget(std::move(target));
}

void CPageSheet::PressNext()
{
    CPageView *page = ActivePage();
    if (page)
        page->CommitToRecord();
    if (!page || page->OnWizardStep(true))
        return;
    if (active_ < kPageCount - 1)
        SetActivePage(active_ + 1);
}

void CPageSheet::PressBack()
{
    CPageView *page = ActivePage();
    if (page)
        page->CommitToRecord();
    if (!page || page->OnWizardStep(false))
        return;
    if (active_ > 0)
        SetActivePage(active_ - 1);
}

bool CPageSheet::HandleWizardKey(int key)
{
    CPageView *page = ActivePage();
    if (!page)
        return false;
    const int index = active_;
    // A number typed into a field counts before the sub-step or page moves.
    page->CommitToRecord();
    if (key == Qt::Key_F6) {
        // Asked once here and once more by the Next button, as the pages expect.
        if (!page->OnWizardStep(true) && index != StepIndex(WizardStep::Complete))
            Button(Ids::ID_WIZNEXT)->click();
        return true;
    }
    if (key == Qt::Key_F5) {
        if (!page->OnWizardStep(false) && index != StepIndex(WizardStep::SysAs))
            Button(Ids::ID_WIZBACK)->click();
        return true;
    }
    return false;
}

bool CPageSheet::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == this) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool undoKey = key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
                             || (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier);
        // The text fields would take Ctrl+Z for their own text; the sheet's
        // shortcut gets it unless a typed number waits to be entered.
        if (undoKey && !FieldKeepsUndoKey(watched, key))
            return true;
    }
    if (event->type() == QEvent::KeyPress && photo_ && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == photo_) {
        // The photo window takes points into the record: Ctrl+Z there
        // takes the last one back as in the wizard.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Undo)) {
            RunCommand(Ids::ID_EDIT_UNDO);
            return true;
        }
        if (key->matches(QKeySequence::Redo) || (key->key() == Qt::Key_Y && key->modifiers() == Qt::ControlModifier)) {
            RunCommand(Ids::ID_EDIT_REDO);
            return true;
        }
    }
    // Next and Back also from the photo window, where the installer looks
    // while taking one point after the other.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && (static_cast<QWidget *>(watched)->window() == this
            || (photo_ && static_cast<QWidget *>(watched)->window() == photo_))) {
        const auto *pressed = static_cast<QKeyEvent *>(event);
        const int key = pressed->key();
        if ((key == Qt::Key_F5 || key == Qt::Key_F6) && HandleWizardKey(key))
            return true;
        // Ctrl+Enter on a point page: every point the photo proposes.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (pressed->modifiers() & Qt::ControlModifier)
            && static_cast<QWidget *>(watched)->window() == this)
            if (auto *points = qobject_cast<CPagePointEntry *>(ActivePage())) {
                points->CommitToRecord();
                points->TakeAllPhotoProposals();
                return true;
            }
    }
    if (event->type() == QEvent::Paint && !firstPaintSeen_ && active_ >= 0 && watched == ActivePage()) {
        firstPaintSeen_ = true;
        QTimer::singleShot(0, this, &CPageSheet::FirstPagePainted);
    }
    return QDialog::eventFilter(watched, event);
}

void CPageSheet::RunCommand(int commandId)
{
    switch (commandId) {
    case Ids::ID_FILE_NEW:
        document_.FileNew();
        StartTitleTimer();
        return;
    case Ids::ID_FILE_LOAD:
        document_.FileLoad();
        StartTitleTimer();
        return;
    case Ids::ID_FILE_SAVE:
        document_.FileSave();
        StartTitleTimer();
        return;
    case Ids::ID_FILE_SAVE_AS:
        document_.FileSaveAs();
        StartTitleTimer();
        return;
    case Ids::ID_FILE_LIBRARY:
        OpenCarLibrary();
        return;
    case Ids::ID_FILE_EXIT:
        reject();
        return;
    case Ids::ID_EDIT_UNDO:
    case Ids::ID_EDIT_REDO:
        // A number typed and not entered is a change like any other.
        if (CPageView *page = ActivePage())
            page->CommitToRecord();
        if (commandId == Ids::ID_EDIT_UNDO)
            history_->Undo();
        else
            history_->Redo();
        StartTitleTimer();
        return;
    case Ids::ID_MONITOR_PHOTO:
        OpenMonitorPhoto(PhotoUse::Points);
        return;
    case Ids::ID_HELP_CONTENTS:
    case Ids::ID_HELP_OTHER:
        OpenProgramHelp(this,
                        active_ >= 0 ? QString::fromLatin1(PageTable()[active_].manualSection) : QString());
        return;
    case Ids::ID_HELP_ABOUT: {
        CAboutBox about(this);
        about.exec();
        return;
    }
    default:
        break;
    }
    if (commandId >= Ids::ID_FILE_MRU_FILE1 && commandId <= Ids::ID_FILE_MRU_FILE8) {
        OpenRecentFile(commandId - Ids::ID_FILE_MRU_FILE1);
        return;
    }
    if (const PageRow *row = PageRowOfViewItem(commandId)) {
        SetActivePage(row->step);
        // Triggering a checkable item toggled it; the one check mark
        // belongs to the page item the active page recorded, also when
        // the item of the page already shown was chosen.
        SyncViewChecks();
        StartTitleTimer();
    }
}

void CPageSheet::UpdateRecentMenu()
{
    const QStringList files = recent_.Files();
    for (int i = 0; i < RecentFiles::kMaxFiles; ++i) {
        QAction *action = MenuAction(Ids::ID_FILE_MRU_FILE1 + i);
        action->setVisible(i < files.size());
        if (i < files.size()) {
            // A '&' in the path is the path's own, not a mnemonic.
            const QString path = QString(files[i]).replace(QLatin1Char('&'), QStringLiteral("&&"));
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        }
    }
    // The last item says that there is nothing to choose.
    menuBar_->findChild<QMenu *>(QStringLiteral("recentFiles"))->actions().back()->setVisible(files.isEmpty());
}

void CPageSheet::OpenRecentFile(int index)
{
    const QStringList files = recent_.Files();
    if (index >= files.size())
        return;
    const QString &path = files[index];
    // A file that is gone will not come back by itself; one that cannot be
    // read stays listed (the load says why: it may be readable again).
    if (!QFileInfo::exists(path)) {
        ShowMessage(UserMessage{tr("Файл «%1» не найден: он удалён, переименован или перенесён. "
                                   "Он убран из списка последних файлов.")
                                    .arg(path),
                                ProgramCaption(), UserMessage::Icon::Warning, QString()});
        NoteRecentFilesKept(recent_.Remove(path));
        UpdateRecentMenu();
        return;
    }
    document_.FileLoadPath(path);
    StartTitleTimer();
}

void CPageSheet::NoteRecentFilesKept(bool kept)
{
    if (kept || recentNotKeptSaid_)
        return;
    recentNotKeptSaid_ = true;
    ShowMessage(UserMessage{tr("Список последних файлов не удаётся сохранить: в файл «%1» нельзя записать. "
                               "Пока это так, открытые и сохранённые файлы в него не попадут.")
                                .arg(recent_.PreferencesFile()),
                            ProgramCaption(), UserMessage::Icon::Warning, QString()});
}

CCarLibraryWindow *CPageSheet::LibraryWindow() const
{
    return library_;
}

void CPageSheet::OpenCarLibrary()
{
    if (!library_) {
        library_ = new CCarLibraryWindow(document_, this);
        library_->setAttribute(Qt::WA_DeleteOnClose);
        connect(library_, &QDialog::finished, this, &CPageSheet::StartTitleTimer);
    }
    library_->open();
    library_->raise();
    library_->activateWindow();
}

void CPageSheet::SyncViewChecks()
{
    for (const PageRow &row : PageTable())
        if (QAction *action = row.viewItemId ? MenuAction(row.viewItemId) : nullptr)
            action->setChecked(row.viewItemId == checkedItem_);
}

void CPageSheet::accept()
{
    const bool close = document_.MayDiscardChanges();
    StartTitleTimer();
    if (close)
        QDialog::accept();
}

void CPageSheet::reject()
{
    const bool close = document_.MayDiscardChanges();
    StartTitleTimer();
    if (close)
        QDialog::reject();
}

void CPageSheet::StartTitleTimer()
{
    titleTimer_.start();
}

QString CPageSheet::TitleText() const
{
    if (active_ < 0)
        return windowTitle();
    const QString name = document_.CurrentFileName();
    // The mark says what closing the wizard would ask about.
    const QString mark = document_.IsModified() ? QStringLiteral("*") : QString();
    QString serial = QString::asprintf("%010d", link_ ? link_->SerialNumber() : 0);
    // Without a module nothing reaches a car: the title says so at once.
    if (!link_ || !link_->HasModule())
        serial += tr(" (демо-режим)");
    const QString caption = PageTable()[active_].info().caption;
    return QStringLiteral("Tarvello S/N %1 - %2 - [%3 %4]").arg(serial, caption, name, mark);
}

void CPageSheet::OnTitleTimer()
{
    if (ActivePage())
        setWindowTitle(TitleText());
}

void CPageSheet::CheckViewItem(int commandId)
{
    if (checkedItem_ != commandId)
        if (QAction *previous = MenuAction(checkedItem_))
            previous->setChecked(false);
    if (QAction *action = MenuAction(commandId))
        action->setChecked(true);
    checkedItem_ = commandId;
}

void CPageSheet::SetBackEnabled(bool enabled)
{
    Button(Ids::ID_WIZBACK)->setEnabled(enabled);
}

void CPageSheet::ShowFinishOnly(const QString &finishText)
{
    Button(Ids::ID_WIZBACK)->hide();
    Button(Ids::ID_WIZNEXT)->hide();
    QPushButton *finish = Button(Ids::ID_WIZFINISH);
    finish->setText(finishText);
    finish->show();
    finish->setDefault(true);
}

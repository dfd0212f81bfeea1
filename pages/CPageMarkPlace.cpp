#include "CPageMarkPlace.h"

#include "CGuideLinePreview.h"
#include "PreviewSettings.h"
#include "CValueSpinCtrl.h"
#include "ConfigurationEdit.h"
#include "ConfigurationTable.h"
#include "ModuleCommands.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

namespace {

// Template geometry in dialog units, on the right of the preview. The page
// is wider than the other wide pages: the closed lists must show their
// longest entries ("Слева и справа по краю со штрихом") whole.
constexpr int kPageWidth = CPageViewControl::kWidePageWidth + 40;
constexpr int kColumn = 175;
constexpr int kColumnWidth = kPageWidth - 5 - kColumn;
constexpr int kEditX = 270;
constexpr int kFieldPitch = 15;

// The row's field: font height in pixels of the module picture, offsets in
// pixels, within the ranges the configuration table gives them.
constexpr int Settings::*kFields[CPageMarkPlace::kFieldCount] = {&Settings::FontHeight, &Settings::LabelShiftX,
                                                                 &Settings::LabelShiftY};

IntRange RowRange(int row)
{
    return IntRangeOf(kFields[row]);
}

constexpr int kTextEdits[5] = {Ids::IDC_EDIT_BASETEXT, Ids::IDC_EDIT_LABEL1, Ids::IDC_EDIT_LABEL2,
                               Ids::IDC_EDIT_LABEL3, Ids::IDC_EDIT_LABEL4};

// The stored placement if the list has it, else its first entry.
int ListIndex(int stored, const QComboBox *combo)
{
    return stored >= 0 && stored < combo->count() ? stored : 0;
}

} // namespace

CPageView::PageInfo CPageMarkPlace::Info()
{
    return {Ids::IDD_MARKPLACE, tr("Настройка меток"), Ids::ID_VIEW_MARKPLACE, Ids::HELP_MARKPLACE, 0,
            QRect(0, 0, kPageWidth, 205)};
}

CPageMarkPlace::CPageMarkPlace(QWidget *parent)
    : CPageViewControl(Info(), parent)
{
}

std::vector<ControlSpec> CPageMarkPlace::Template() const
{
    using Kind = ControlSpec::Kind;
    const QStringList sideModes = {
        tr("Не выводить"),
        tr("Только слева"),
        tr("Только справа"),
        tr("Слева и справа"),
        tr("Только слева по краю"),
        tr("Только справа по краю"),
        tr("Слева и справа по краю"),
        tr("Только слева по краю со штрихом"),
        tr("Только справа по краю со штрихом"),
        tr("Слева и справа по краю со штрихом"),
    };
    // The base line adds a centred label after "Не выводить".
    QStringList baseModes = sideModes;
    baseModes.insert(1, tr("По центру"));

    std::vector<ControlSpec> t = BaseTemplate(kPageWidth);
    t.push_back({Ids::IDC_LABEL_COMBO1, Kind::Static, tr("Метки на габаритных линиях"), QRect(kColumn, 65, kColumnWidth, 10)});
    t.push_back({Ids::IDC_COMBO_SIDELABELS, Kind::Combo, {}, QRect(kColumn, 75, kColumnWidth, 13), sideModes});
    t.push_back({Ids::IDC_LABEL_COMBO2, Kind::Static, tr("Метки на базовой линии"), QRect(kColumn, 91, kColumnWidth, 10)});
    t.push_back({Ids::IDC_COMBO_BASELABELS, Kind::Combo, {}, QRect(kColumn, 101, kColumnWidth, 13), baseModes});

    const QString fieldLabels[kFieldCount] = {tr("Высота шрифта"), tr("Отступ по Х"), tr("Отступ по Y")};
    const int fieldLabelIds[kFieldCount] = {Ids::IDC_LABEL_FONT, Ids::IDC_LABEL_SHIFTX, Ids::IDC_LABEL_SHIFTY};
    for (int r = 0; r < kFieldCount; ++r) {
        const int y = 118 + kFieldPitch * r;
        t.push_back({fieldLabelIds[r], Kind::Static, fieldLabels[r], QRect(kColumn, y + 2, kEditX - kColumn - 2, 10)});
        t.push_back({Ids::IDC_EDIT_X0 + r, Kind::Edit, {}, QRect(kEditX, y, 30, 13)});
        t.push_back({Ids::IDC_SPIN_X0 + r, Kind::Spin, {}, QRect(kEditX + 30, y, 10, 13)});
    }

    const int textY = 118 + kFieldPitch * kFieldCount;
    t.push_back({Ids::IDC_LABEL_BASETEXT, Kind::Static, tr("Текст базовой линии"), QRect(kColumn, textY + 2, kEditX - kColumn - 2, 10)});
    t.push_back({Ids::IDC_EDIT_BASETEXT, Kind::Edit, {}, QRect(kEditX, textY, kPageWidth - 5 - kEditX, 13)});
    t.push_back({Ids::IDC_LABEL_TEXTS, Kind::Static, tr("Текст меток"), QRect(kColumn, textY + 17, kColumnWidth, 10)});
    // Four label texts side by side, for 1, 2, 3 and 4 m.
    constexpr int kGap = 4;
    constexpr int kTextWidth = (kColumnWidth - 3 * kGap) / 4;
    for (int k = 0; k < 4; ++k)
        t.push_back({kTextEdits[k + 1], Kind::Edit, {}, QRect(kColumn + k * (kTextWidth + kGap), textY + 27, kTextWidth, 13)});
    return t;
}

QComboBox *CPageMarkPlace::SideLabelsCombo() const
{
    return ControlAs<QComboBox>(Ids::IDC_COMBO_SIDELABELS);
}

QComboBox *CPageMarkPlace::BaseLabelsCombo() const
{
    return ControlAs<QComboBox>(Ids::IDC_COMBO_BASELABELS);
}

QLineEdit *CPageMarkPlace::TextEdit(int index) const
{
    return index >= 0 && index < 5 ? ControlAs<QLineEdit>(kTextEdits[index]) : nullptr;
}

void CPageMarkPlace::OnInitDialog()
{
    CPageViewControl::OnInitDialog();
    for (int r = 0; r < kFieldCount; ++r) {
        CValueSpinCtrl *spin = SpinX(r);
        spin->SetIntegerRange(RowRange(r).low, RowRange(r).high);
        spin->SetValue(1);
    }
    SideLabelsCombo()->setCurrentIndex(0);
    BaseLabelsCombo()->setCurrentIndex(0);
    connect(SideLabelsCombo(), &QComboBox::currentIndexChanged, this, &CPageMarkPlace::SideModeChosen);
    connect(BaseLabelsCombo(), &QComboBox::currentIndexChanged, this, &CPageMarkPlace::BaseModeChosen);
    for (int i = 0; i < 5; ++i)
        connect(TextEdit(i), &QLineEdit::textChanged, this, &CPageMarkPlace::TextsChanged);
    Preview()->SetShowPoints(false);
}

void CPageMarkPlace::LoadControls(const Settings &s)
{
    SideLabelsCombo()->setCurrentIndex(ListIndex(s.SideLineMode, SideLabelsCombo()));
    BaseLabelsCombo()->setCurrentIndex(ListIndex(s.BaseLineMode, BaseLabelsCombo()));
    for (int r = 0; r < kFieldCount; ++r)
        SpinX(r)->SetValue(RowRange(r).Clamp(s.*kFields[r]));
    TextEdit(0)->setText(s.BaseLineText);
    for (int k = 0; k < 4; ++k)
        TextEdit(k + 1)->setText(s.LabelLineText[k]);
}

bool CPageMarkPlace::OnSetActive()
{
    BeginActivation();
    if (const Settings *s = SettingsRecord()) {
        // Filling the edits one by one must not copy the others' texts of
        // the last visit into the record (a configuration loaded since
        // would lose its label texts), so the handlers rest meanwhile.
        loaded_ = false;
        LoadControls(*s);
        CGuideLinePreview *preview = Preview();
        ShowLabels(*preview, *s);
        preview->SetShowPoints(false);
        preview->SetShowGrid(false);
        loaded_ = true;
    }
    return CPageViewControl::OnSetActive();
}

void CPageMarkPlace::SideModeChosen(int index)
{
    if (!loaded_ || index < 0)
        return;
    EditRecord([&](ConfigurationEdit &e) { e.Set(&Settings::SideLineMode, index); });
    Preview()->SetSideLineMode(index);
    Preview()->update();
}

void CPageMarkPlace::BaseModeChosen(int index)
{
    if (!loaded_ || index < 0)
        return;
    EditRecord([&](ConfigurationEdit &e) { e.Set(&Settings::BaseLineMode, index); });
    Preview()->SetBaseLineMode(index);
    Preview()->update();
}

void CPageMarkPlace::OnRowChanged(int row)
{
    StoreField(row);
}

void CPageMarkPlace::StoreField(int row)
{
    const Settings *s = SettingsRecord();
    if (!loaded_ || !s || row < 0 || row >= kFieldCount)
        return;
    // The value as the field shows it: a typed 12.7 shows and counts as 13.
    EditRecord([&](ConfigurationEdit &e) {
        const int stored = e.Record().*kFields[row];
        e.Set(kFields[row], ModuleCommands::FieldOrStored(SpinX(row)->GetIntValue(), stored, RowRange(row).low, RowRange(row).high));
    });
    CGuideLinePreview *preview = Preview();
    if (row == kFontHeight)
        preview->SetFontHeight(s->FontHeight);
    else
        preview->SetLabelShift(s->LabelShiftX, s->LabelShiftY);
    preview->update();
}

void CPageMarkPlace::TextsChanged()
{
    const Settings *s = SettingsRecord();
    if (!loaded_ || !s || !TextEdit(0))
        return;
    EditRecord([&](ConfigurationEdit &e) {
        e.Set(&Settings::BaseLineText, TextEdit(0)->text());
        for (int k = 0; k < 4; ++k)
            e.SetLabelText(k, TextEdit(k + 1)->text());
    });
    CGuideLinePreview *preview = Preview();
    preview->SetBaseLineText(s->BaseLineText);
    for (int k = 0; k < 4; ++k)
        preview->SetLabelLineText(k, s->LabelLineText[k]);
    preview->update();
}

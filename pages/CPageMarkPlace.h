#pragma once

#include "CPageViewControl.h"

#include <array>

class QComboBox;
class QLineEdit;

// Wizard page "Настройка меток": where the text labels stand on the border
// lines and on the base line, their font height and offset, and their
// texts. Every change goes to the settings record and the preview at once.
// Leaving the page renders the lines and labels into the 400 x 312
// guide-line picture that the picture page writes into the module; the page
// itself sends nothing to the module.
class CPageMarkPlace : public CPageViewControl {
    Q_OBJECT

public:
    // The three numeric fields (row r: edit 1025+r, spin 1030+r).
    enum Field { kFontHeight, kLabelShiftX, kLabelShiftY, kFieldCount };

    explicit CPageMarkPlace(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;

    // True once the page has been shown and filled from the record; until
    // then its controls change nothing else.
    bool IsLoaded() const { return loaded_; }

    QComboBox *SideLabelsCombo() const;
    QComboBox *BaseLabelsCombo() const;
    // The base-line text (0) and the label texts at 1..4 m (1..4).
    QLineEdit *TextEdit(int index) const;

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    // Enter with the range check; Shift + cursor keys stay with the edits,
    // so they select text in the label texts.
    FieldKeyRules KeyRules() const override { return FieldKeyRules::EnterOnly(); }
    void OnRowChanged(int row) override;

private:
    void SideModeChosen(int index);
    void BaseModeChosen(int index);
    void StoreField(int row);
    void TextsChanged();
    // Fills the controls from the record. A placement the lists do not have
    // shows as "Не выводить" and a number outside its field's range as the
    // nearest bound; the record keeps them until their control is changed.
    void LoadControls(const Settings &s);

    bool loaded_ = false;
};

#pragma once

#include "ModulePictureBackupStore.h"

#include <QDialog>

#include <vector>

class QListWidget;

// The kept copies of one of the module's pictures, newest first, each with
// its picture, the date and time it was made and the module it came from;
// the installer picks one to write back, or asks for another file.
class CBackupCopyDialog : public QDialog {
    Q_OBJECT

public:
    CBackupCopyDialog(const std::vector<ModulePictureBackupStore::Copy> &copies, QWidget *parent = nullptr);

    QListWidget *List() const { return list_; }
    // After Accepted: the copy chosen, or that another file is wanted.
    QString ChosenPath() const;
    bool OtherFileChosen() const { return otherFile_; }

private:
    QListWidget *list_ = nullptr;
    bool otherFile_ = false;
};

#pragma once

#include <QIdentityProxyModel>

// The Qt file dialog's list with its "Date Modified" column written in the
// interface's locale (QLocale()), as the rest of the program speaks:
// QFileSystemModel writes dates in the system's locale, which may be
// English ("Dec"). Set on a QFileDialog with setProxyModel.
class FileDialogDateModel : public QIdentityProxyModel {
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};

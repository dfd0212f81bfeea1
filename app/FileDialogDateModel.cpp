#include "FileDialogDateModel.h"

#include <QFileSystemModel>
#include <QLocale>

namespace {

// QFileSystemModel's columns: name, size, type, date modified.
constexpr int kDateColumn = 3;

} // namespace

QVariant FileDialogDateModel::data(const QModelIndex &index, int role) const
{
    const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
    if (files && role == Qt::DisplayRole && index.column() == kDateColumn)
        return QLocale().toString(files->lastModified(mapToSource(index)), QLocale::ShortFormat);
    return QIdentityProxyModel::data(index, role);
}

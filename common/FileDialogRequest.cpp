#include "FileDialogRequest.h"

#include <QCoreApplication>

#include <utility>

namespace {
FileDialogHandler &Handler()
{
    static FileDialogHandler handler;
    return handler;
}
} // namespace

FileDialogRequest TypedFileDialog(FileDialogRequest::Kind kind, const QString &typeName, const QString &pattern)
{
    FileDialogRequest request;
    request.kind = kind;
    // "*" rather than "*.*": on Linux many files have no dot.
    request.filters = {QCoreApplication::translate("Tarvello", "Все файлы") + QStringLiteral(" (*)"),
                       QStringLiteral("%1 (%2)").arg(typeName, pattern)};
    request.selectedFilter = 1;
    return request;
}

std::optional<QString> AskFileName(const FileDialogRequest &request)
{
    if (!Handler())
        return std::nullopt;
    return Handler()(request);
}

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler)
{
    return std::exchange(Handler(), std::move(handler));
}

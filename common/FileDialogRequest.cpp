#include "FileDialogRequest.h"

#include <utility>

namespace {
FileDialogHandler &Handler()
{
    static FileDialogHandler handler;
    return handler;
}
} // namespace

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

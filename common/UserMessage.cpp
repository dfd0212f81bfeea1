#include "UserMessage.h"

#include <QCoreApplication>

#include <cstdio>
#include <utility>

namespace {
MessageHandler &Handler()
{
    static MessageHandler handler;
    return handler;
}
} // namespace

void ShowMessage(const UserMessage &message)
{
    if (Handler()) {
        Handler()(message);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", qPrintable(message.caption), qPrintable(message.text));
    if (!message.details.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(message.details));
}

MessageHandler SetMessageHandler(MessageHandler handler)
{
    return std::exchange(Handler(), std::move(handler));
}

QString ProgramCaption()
{
    return QCoreApplication::translate("Tarvello", "Программа настройки Tarvello");
}

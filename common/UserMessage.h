#pragma once

#include <QString>

#include <functional>

// One message to the user: the program's only way to tell the installer
// something. Core code builds it; the handler that the program installs shows
// it as a modal message box, tests install a handler that records it.
struct UserMessage {
    enum class Icon { Information, Warning, Error };

    QString text;     // main text, exactly as the program words it
    QString caption;  // window caption of the box
    Icon icon = Icon::Error;
    QString details;  // optional expandable details; empty = none
};

using MessageHandler = std::function<void(const UserMessage &)>;

// Shows the message through the installed handler (modal: returns after the
// user closed it). Without a handler the message goes to standard error.
void ShowMessage(const UserMessage &message);

// Installs a handler and returns the previous one (empty = standard error).
MessageHandler SetMessageHandler(MessageHandler handler);

// Caption of every box the program shows.
QString ProgramCaption();

#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(UserMessage, recorderCatchesMessagesAndRestoresPreviousHandler)
{
    int outer = 0;
    MessageHandler before = SetMessageHandler([&](const UserMessage &) { ++outer; });
    {
        RecordedMessages recorded;
        ShowMessage({QStringLiteral("text"), ProgramCaption(), UserMessage::Icon::Error, {}});
        ASSERT_EQ(recorded.count(), 1u);
        EXPECT_EQ(recorded.all()[0].caption, QStringLiteral("Программа настройки Tarvello"));
        EXPECT_EQ(outer, 0);
    }
    ShowMessage({QStringLiteral("again"), {}, UserMessage::Icon::Warning, {}});
    EXPECT_EQ(outer, 1);
    SetMessageHandler(before);
}

TEST(FileDialogRequest, scriptedAnswersComeInOrderAndCancelIsNullopt)
{
    ScriptedFileDialogs dialogs;
    dialogs.answer(QStringLiteral("/tmp/a.ini"));
    dialogs.answer(std::nullopt);
    EXPECT_EQ(AskFileName({}).value_or(QString()), QStringLiteral("/tmp/a.ini"));
    EXPECT_FALSE(AskFileName({}).has_value());
    EXPECT_FALSE(AskFileName({}).has_value());
    EXPECT_EQ(dialogs.requests().size(), 3u);
}

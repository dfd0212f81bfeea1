#include "TestSupport.h"

#include <QDir>

RecordedMessages::RecordedMessages()
{
    previous_ = SetMessageHandler([this](const UserMessage &m) { messages_.push_back(m); });
}

RecordedMessages::~RecordedMessages()
{
    SetMessageHandler(previous_);
}

ScriptedFileDialogs::ScriptedFileDialogs()
{
    previous_ = SetFileDialogHandler([this](const FileDialogRequest &r) -> std::optional<QString> {
        requests_.push_back(r);
        if (answers_.empty())
            return std::nullopt;
        auto a = answers_.front();
        answers_.pop_front();
        return a;
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs()
{
    SetFileDialogHandler(previous_);
}

QString TestDataPath(const QString &name)
{
    QString dir = qEnvironmentVariable("TARVELLO_TEST_DATA");
    if (dir.isEmpty())
        dir = QStringLiteral(TARVELLO_TEST_DATA_DIR);
    return QDir(dir).filePath(name);
}

ScriptedQuestions::ScriptedQuestions()
{
    previous_ = SetQuestionHandler([this](const UserQuestion &question) {
        asked_.push_back(question);
        if (answers_.empty())
            return fallback_ >= 0 ? fallback_ : question.escapeAnswer;
        const int index = answers_.front();
        answers_.pop_front();
        return index;
    });
}

ScriptedQuestions::~ScriptedQuestions()
{
    SetQuestionHandler(std::move(previous_));
}

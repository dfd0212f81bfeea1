#pragma once

#include "FileDialogRequest.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

// Records every message the code under test shows, for as long as it lives.
class RecordedMessages {
public:
    RecordedMessages();
    ~RecordedMessages();
    RecordedMessages(const RecordedMessages &) = delete;
    RecordedMessages &operator=(const RecordedMessages &) = delete;

    const std::vector<UserMessage> &all() const { return messages_; }
    size_t count() const { return messages_.size(); }
    void clear() { messages_.clear(); }

private:
    std::vector<UserMessage> messages_;
    MessageHandler previous_;
};

// Answers file dialogs with prepared paths (nullopt = cancel), in order, and
// records the requests.
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs &) = delete;
    ScriptedFileDialogs &operator=(const ScriptedFileDialogs &) = delete;

    void answer(std::optional<QString> path) { answers_.push_back(std::move(path)); }
    const std::vector<FileDialogRequest> &requests() const { return requests_; }

private:
    std::deque<std::optional<QString>> answers_;
    std::vector<FileDialogRequest> requests_;
    FileDialogHandler previous_;
};

// Answers questions with prepared answer indexes, in order, and records the
// questions; once they run out, the fallback answer (the escape answer
// unless set).
class ScriptedQuestions {
public:
    ScriptedQuestions();
    ~ScriptedQuestions();
    ScriptedQuestions(const ScriptedQuestions &) = delete;
    ScriptedQuestions &operator=(const ScriptedQuestions &) = delete;

    void answer(int index) { answers_.push_back(index); }
    void fallback(int index) { fallback_ = index; }
    const std::vector<UserQuestion> &asked() const { return asked_; }

private:
    std::deque<int> answers_;
    int fallback_ = -1;
    std::vector<UserQuestion> asked_;
    QuestionHandler previous_;
};

// While it lives, the calling thread meets file permissions as an installer
// does: root's CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH are set aside, so
// that a read-only folder refuses a test run as root too.
class OrdinaryFilePermissions {
public:
    OrdinaryFilePermissions();
    ~OrdinaryFilePermissions();
    OrdinaryFilePermissions(const OrdinaryFilePermissions &) = delete;
    OrdinaryFilePermissions &operator=(const OrdinaryFilePermissions &) = delete;

private:
    unsigned effective_ = 0;
    bool setAside_ = false;
};

// Path of a file in tests/data.
QString TestDataPath(const QString &name);

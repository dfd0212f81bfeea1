#include "TestSupport.h"

#include <QDir>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

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

namespace {

constexpr unsigned kPermissionOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

// The calling thread's capability sets (pid 0: this thread only).
bool ThreadCapabilities(__user_cap_data_struct (&data)[_LINUX_CAPABILITY_U32S_3], bool set)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

} // namespace

OrdinaryFilePermissions::OrdinaryFilePermissions()
{
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (!ThreadCapabilities(data, false) || (data[0].effective & kPermissionOverrides) == 0)
        return;
    effective_ = data[0].effective;
    data[0].effective &= ~kPermissionOverrides;
    setAside_ = ThreadCapabilities(data, true);
}

OrdinaryFilePermissions::~OrdinaryFilePermissions()
{
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (setAside_ && ThreadCapabilities(data, false)) {
        data[0].effective = effective_;
        ThreadCapabilities(data, true);
    }
}

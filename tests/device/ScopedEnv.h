#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>
#include <utility>
#include <vector>

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;
    ~ScopedEnv()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second.has_value())
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }
    void set(const QByteArray &name, const QByteArray &value)
    {
        remember(name);
        qputenv(name.constData(), value);
    }
    void unset(const QByteArray &name)
    {
        remember(name);
        qunsetenv(name.constData());
    }

private:
    void remember(const QByteArray &name)
    {
        for (const auto &entry : saved_)
            if (entry.first == name)
                return;
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name.constData())
                                      ? std::optional<QByteArray>(qgetenv(name.constData()))
                                      : std::nullopt);
    }
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

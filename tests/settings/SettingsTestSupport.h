#pragma once

#include "IniFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

// Every settings test starts from an empty store (it is process-wide) and
// works in its own temporary folder.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        IniFile::Clear();
        ASSERT_TRUE(dir_.isValid());
    }
    void TearDown() override { IniFile::Clear(); }

    QString Path(const QString &name) const { return dir_.filePath(name); }

    static void WriteBytes(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    static QByteArray ReadBytes(const QString &path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QByteArray("<unreadable>");
        return file.readAll();
    }

    QTemporaryDir dir_;
};

inline std::string Str(const QByteArray &bytes)
{
    return bytes.toStdString();
}

inline std::string Str(const QString &text)
{
    return text.toStdString();
}

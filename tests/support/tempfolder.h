// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A temporary folder for tests that read and write real files.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>

namespace vecardia::testing {

class TempFolder {
public:
    [[nodiscard]] QString path() const { return m_dir.path(); }
    [[nodiscard]] QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Writes the bytes to a file of the folder and returns its path.
    QString write(const QString &name, const QByteArray &bytes) const
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test file %s", qPrintable(path));
        return path;
    }

    // A file's bytes, or "<missing>" when it cannot be read.
    [[nodiscard]] static QByteArray contents(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private:
    QTemporaryDir m_dir;
};

} // namespace vecardia::testing

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace vecardia {

// The open-file service of the first window to start, on the D-Bus session bus: the bus name
// io.github.vecardia.Vecardia, the object /FormDDE with the method Execute(s) → s (the text is a path, taken whole
// as it comes), and the freedesktop org.freedesktop.Application interface at /io/github/vecardia/Vecardia, which the
// desktop's own tools call (gapplication launch io.github.vecardia.Vecardia FILE).
class OpenFileService final : public QObject {
    Q_OBJECT

public:
    using Open = std::function<void(const QString &path)>;
    using Raise = std::function<void()>;

    OpenFileService(Open open, Raise raise, QObject *parent = nullptr);
    ~OpenFileService() override;

    // Takes the name and offers the objects. False, quietly, without a session bus or when another window of the
    // program has the name: that window serves.
    bool start();
    [[nodiscard]] bool isServing() const { return m_serving; }

    // What the objects do. The file is opened once the call is answered, so that a message about it never holds up
    // the program that sent it.
    QString execute(const QString &command);
    void activate();
    void open(const QStringList &uris);

    static const QString &serviceName();

private:
    Open m_open;
    Raise m_raise;
    bool m_serving = false;
    QObject *m_formDde = nullptr;
    QObject *m_application = nullptr;
};

// `vecardia --execute TEXT`: hands TEXT to the running window's Execute.
enum class ExecuteOutcome { Accepted, NoWindow, Failed };
struct ExecuteResult {
    ExecuteOutcome outcome = ExecuteOutcome::Failed;
    QString reason;
};
[[nodiscard]] ExecuteResult executeInRunningWindow(const QString &command);

} // namespace vecardia

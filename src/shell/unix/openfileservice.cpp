// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/unix/openfileservice.h"

#include "product/product.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QTimer>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

const QString kFormDdePath = u"/FormDDE"_s;
const QString kFormDdeInterface = u"io.github.vecardia.Vecardia.FormDDE"_s;
// org.freedesktop.Application lives at the path the application id spells.
const QString kApplicationPath = u"/io/github/vecardia/Vecardia"_s;

} // namespace

// The FormDDE object: the execute command of the window's DDE topic, in D-Bus form.
class FormDdeAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.vecardia.Vecardia.FormDDE")

public:
    FormDdeAdaptor(QObject *object, OpenFileService &service) : QDBusAbstractAdaptor(object), m_service(service) {}

public Q_SLOTS:
    QString Execute(const QString &command) { return m_service.execute(command); }

private:
    OpenFileService &m_service;
};

// The freedesktop application interface, which the desktop's launchers and gapplication call.
class ApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    ApplicationAdaptor(QObject *object, OpenFileService &service) : QDBusAbstractAdaptor(object), m_service(service) {}

public Q_SLOTS:
    void Activate(const QVariantMap &) { m_service.activate(); }
    void Open(const QStringList &uris, const QVariantMap &) { m_service.open(uris); }
    void ActivateAction(const QString &, const QVariantList &, const QVariantMap &) { m_service.activate(); }

private:
    OpenFileService &m_service;
};

const QString &OpenFileService::serviceName()
{
    return product::kApplicationId;
}

OpenFileService::OpenFileService(Open open, Raise raise, QObject *parent)
    : QObject(parent), m_open(std::move(open)), m_raise(std::move(raise))
{
}

OpenFileService::~OpenFileService()
{
    if (!m_serving)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kFormDdePath);
    bus.unregisterObject(kApplicationPath);
    bus.unregisterService(serviceName());
}

bool OpenFileService::start()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (m_serving || !bus.isConnected())
        return m_serving;
    // Several windows may run; the first one serves, the others run without the name (and leave the first one's
    // name and objects alone, also when they run in the same process).
    if (bus.interface()->isServiceRegistered(serviceName()) || !bus.registerService(serviceName()))
        return false;
    m_formDde = new QObject(this);
    new FormDdeAdaptor(m_formDde, *this);
    m_application = new QObject(this);
    new ApplicationAdaptor(m_application, *this);
    m_serving = bus.registerObject(kFormDdePath, m_formDde, QDBusConnection::ExportAdaptors) &&
                bus.registerObject(kApplicationPath, m_application, QDBusConnection::ExportAdaptors);
    if (!m_serving) {
        bus.unregisterObject(kFormDdePath);
        bus.unregisterService(serviceName());
    }
    return m_serving;
}

QString OpenFileService::execute(const QString &command)
{
    // The text is the path, whole: not trimmed, quotes kept. An empty one does nothing; every one is accepted.
    if (!command.isEmpty())
        QTimer::singleShot(0, this, [this, command] { m_open(command); });
    return u"accepted"_s;
}

void OpenFileService::activate()
{
    QTimer::singleShot(0, this, [this] { m_raise(); });
}

void OpenFileService::open(const QStringList &uris)
{
    activate();
    // One book at a time: the first file handed over is opened.
    if (uris.isEmpty())
        return;
    const QUrl url(uris.first());
    execute(url.isLocalFile() ? url.toLocalFile() : uris.first());
}

ExecuteResult executeInRunningWindow(const QString &command)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {ExecuteOutcome::NoWindow, u"没有会话总线（D-Bus）"_s};
    if (!bus.interface()->isServiceRegistered(OpenFileService::serviceName()))
        return {ExecuteOutcome::NoWindow, {}};
    QDBusInterface window(OpenFileService::serviceName(), kFormDdePath, kFormDdeInterface, bus);
    const QDBusReply<QString> reply = window.call(u"Execute"_s, command);
    if (!reply.isValid())
        return {ExecuteOutcome::Failed, reply.error().message()};
    return {reply.value() == u"accepted" ? ExecuteOutcome::Accepted : ExecuteOutcome::Failed, reply.value()};
}

} // namespace vecardia

#include "openfileservice.moc"

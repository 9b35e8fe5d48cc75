// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/uxmlhttp.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// How often tmrReader looks at the request.
constexpr int kPollIntervalMs = 10;
// A request that failed without a response completes with this plus the reason's number, above every HTTP status.
constexpr qint32 kTransportFailureBase = 12000;

bool isThisMachine(const QString &host)
{
    if (host.compare(u"localhost"_s, Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

class SystemProxies final : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        if (isThisMachine(query.peerHostName()))
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

} // namespace

void useSystemProxies(QNetworkAccessManager &manager)
{
    manager.setProxyFactory(new SystemProxies); // the manager owns it
}

uXMLHTTP::uXMLHTTP(QNetworkAccessManager &manager, QObject *parent) : QObject(parent), m_manager(manager)
{
    setObjectName(u"uXMLHTTP"_s);
    tmrReader = new QTimer(this);
    tmrReader->setObjectName(u"tmrReader"_s);
    tmrReader->setInterval(kPollIntervalMs);
    connect(tmrReader, &QTimer::timeout, this, &uXMLHTTP::tick);
}

uXMLHTTP::~uXMLHTTP()
{
    tmrReader->stop();
    dropReply();
}

bool uXMLHTTP::Open_(const QString &method, const QString &url, const QString &savePath)
{
    m_downOK = false;
    dropReply();
    m_prepared = false;
    m_readyState = 0;
    m_status = 0;
    m_statusText.clear();
    m_responseHeaders.clear();
    m_body.clear();
    m_headers.clear();

    const QUrl address(url, QUrl::StrictMode);
    const QString scheme = address.scheme().toLower();
    if (method.trimmed().isEmpty() || !address.isValid() || address.host().isEmpty() ||
        (scheme != u"http"_s && scheme != u"https"_s))
        return false;
    m_method = method.toUpper();
    m_url = address;
    m_savePath = savePath;
    m_prepared = true;
    m_armed = true;
    m_readyState = 1;
    return true;
}

void uXMLHTTP::SetRequestHeader(const QString &name, const QString &value)
{
    if (m_prepared && !name.isEmpty())
        m_headers.emplace_back(name.toLatin1(), value.toUtf8());
}

void uXMLHTTP::Send_(const QByteArray &body)
{
    if (m_prepared) {
        m_prepared = false;
        QNetworkRequest request(m_url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
        for (const auto &[name, value] : m_headers)
            request.setRawHeader(name, value);
        m_reply = m_manager.sendCustomRequest(request, m_method.toLatin1(), body);
        connect(m_reply, &QNetworkReply::metaDataChanged, this, &uXMLHTTP::replyHeaders);
        connect(m_reply, &QNetworkReply::readyRead, this, &uXMLHTTP::replyData);
        connect(m_reply, &QNetworkReply::finished, this, &uXMLHTTP::replyFinished);
    }
    if (m_armed)
        tmrReader->start();
}

void uXMLHTTP::Abort_()
{
    tmrReader->stop();
    dropReply();
    m_prepared = false;
    m_readyState = 0;
}

void uXMLHTTP::dropReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void uXMLHTTP::replyHeaders()
{
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    m_status = status.toInt();
    m_statusText = QString::fromLatin1(m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    const auto pairs = m_reply->rawHeaderPairs();
    m_responseHeaders.assign(pairs.begin(), pairs.end());
    m_readyState = std::max(m_readyState, 2);
}

void uXMLHTTP::replyData()
{
    m_body += m_reply->read(m_limit > 0 ? m_limit + 1 - m_body.size() : m_reply->bytesAvailable());
    m_readyState = std::max(m_readyState, 3);
    if (m_limit > 0 && m_body.size() > m_limit) {
        // A body longer than asked for (an error page, or one without end) is not waited for.
        dropReply();
        m_status = kTransportFailureBase + qint32(QNetworkReply::OperationCanceledError);
        m_statusText = u"响应超过 %1 字节"_s.arg(m_limit);
        m_responseHeaders.clear();
        m_body.clear();
        m_readyState = 4;
    }
}

void uXMLHTTP::replyFinished()
{
    QNetworkReply *reply = m_reply;
    replyHeaders();
    replyData();
    if (!m_reply)
        return; // the body was too long

    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        m_status = kTransportFailureBase + qint32(reply->error());
        m_statusText = reply->errorString();
        m_responseHeaders.clear();
        m_body.clear();
    }
    m_readyState = 4;
    m_reply = nullptr;
    reply->deleteLater();
}

void uXMLHTTP::tick()
{
    Q_EMIT OnReadyStateChange();
    if (ReadyState() != 4)
        return;
    tmrReader->stop();
    m_downOK = true;
    const qint32 status = Status();
    if (status == 200) {
        saveBody();
        Q_EMIT OnDateArrived();
    } else if (status <= 600) {
        Q_EMIT OnDateErr(QString());
    }
}

// The body replaces the file only once it is written whole; a failed write leaves the file there as it was.
void uXMLHTTP::saveBody() const
{
    const QString path = localPath(m_savePath);
    if (path.isEmpty() || m_body.isEmpty())
        return;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(m_body) == m_body.size())
        (void)file.commit();
}

QString uXMLHTTP::GetResponseHeader(const QString &name) const
{
    const QByteArray wanted = name.toLatin1();
    for (const auto &[header, value] : m_responseHeaders) {
        if (header.compare(wanted, Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(value);
    }
    return {};
}

QString uXMLHTTP::GetAllResponseHeaders() const
{
    QString all;
    for (const auto &[header, value] : m_responseHeaders)
        all += QString::fromLatin1(header) + u": "_s + QString::fromUtf8(value) + u"\r\n"_s;
    return all;
}

QString uXMLHTTP::ResponseText() const
{
    const QString type = GetResponseHeader(u"Content-Type"_s);
    for (QStringView parameter : QStringView(type).split(u';')) {
        parameter = parameter.trimmed();
        if (!parameter.startsWith(u"charset=", Qt::CaseInsensitive))
            continue;
        QByteArray charset = parameter.sliced(8).toLatin1();
        charset.replace('"', "");
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(m_body);
    }
    if (const auto bom = QStringConverter::encodingForData(m_body)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(m_body);
    }
    return QString::fromUtf8(m_body);
}

QString uXMLHTTP::localPath(const QString &path)
{
    QString local = path.trimmed();
    // file:///home/me/a.txt names /home/me/a.txt: the third "/" is the path's own.
    if (local.first(std::min<qsizetype>(8, local.size())).toLower() == u"file:///"_s)
        local.remove(0, 7);
    return local;
}

bool uXMLHTTP::PathExists(const QString &path)
{
    const QString local = localPath(path);
    return !local.isEmpty() && QFileInfo(local).isFile();
}

} // namespace vecardia

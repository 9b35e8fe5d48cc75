// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <utility>
#include <vector>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace vecardia {

// Sets a network manager up the way the program's requests expect: the system's proxy settings for other hosts,
// no proxy for this machine.
void useSystemProxies(QNetworkAccessManager &manager);

// uXMLHTTP: one asynchronous HTTP request at a time. Completion is not reported by the request itself: after
// Send_, the timer tmrReader looks at the request every 10 ms and raises the events from there, so every event
// comes from the same place in the same order. The body of a successful response may also be written to a file.
class uXMLHTTP final : public QObject {
    Q_OBJECT

public:
    explicit uXMLHTTP(QNetworkAccessManager &manager, QObject *parent = nullptr);
    ~uXMLHTTP() override;

    // Prepares a request (the method in upper case) and forgets the one before. False when it cannot be made: an
    // empty method, or a URL that is not an absolute http or https address. `savePath` (a path or a file:/// URL)
    // receives the body of a 200 response.
    [[nodiscard]] bool Open_(const QString &method, const QString &url, const QString &savePath = {});
    // Adds a header to the prepared request; ignored when there is none.
    void SetRequestHeader(const QString &name, const QString &value);
    // Sends the prepared request, then starts tmrReader when a request was ever prepared. Sending twice, or without
    // a prepared request, sends nothing.
    void Send_(const QByteArray &body = {});
    // Stops tmrReader and drops the request.
    void Abort_();
    // The most body bytes a request may bring (0: no limit): a longer body ends the request as a failure, and what
    // came of it is dropped. Redirects are followed only to the same site (scheme, host and port).
    void SetResponseLimit(qint64 bytes) { m_limit = bytes; }

    // Whether the last request completed.
    [[nodiscard]] bool DownOK() const { return m_downOK; }
    // 0 nothing prepared, 1 prepared or sent, 2 the response's status and headers came, 3 its body is coming,
    // 4 completed.
    [[nodiscard]] qint32 ReadyState() const { return m_readyState; }
    // The HTTP status once the response's headers came, 0 before. A request that failed without a response (no
    // route, connection refused, unknown host, broken connection) completes with 12000 plus the reason's number.
    [[nodiscard]] qint32 Status() const { return m_status; }
    [[nodiscard]] QString StatusText() const { return m_statusText; }
    [[nodiscard]] QString GetResponseHeader(const QString &name) const;
    // "Name: value" lines, each ended by CR LF.
    [[nodiscard]] QString GetAllResponseHeaders() const;
    [[nodiscard]] QByteArray ResponseBody() const { return m_body; }
    // The body as text, in the charset its Content-Type names, else as its byte-order mark says, else as UTF-8.
    [[nodiscard]] QString ResponseText() const;

    // Whether a file (not a folder) exists at `path`: spaces around it are ignored, and "file:///" at its start is
    // taken as the URL of a local path.
    [[nodiscard]] static bool PathExists(const QString &path);
    // The local path that `path` names, by the rules of PathExists.
    [[nodiscard]] static QString localPath(const QString &path);

    QTimer *tmrReader;

Q_SIGNALS:
    // The request completed with status 200 (after the body was written to the save path).
    void OnDateArrived();
    // Every tick of tmrReader, before the request is looked at.
    void OnReadyStateChange();
    // The request completed with another status up to 600; the text is always empty.
    void OnDateErr(const QString &description);

private:
    void tick();
    void dropReply();
    void replyHeaders();
    void replyData();
    void replyFinished();
    void saveBody() const;

    QNetworkAccessManager &m_manager;
    QPointer<QNetworkReply> m_reply;
    QString m_method;
    QUrl m_url;
    QString m_savePath;
    std::vector<std::pair<QByteArray, QByteArray>> m_headers;
    bool m_armed = false;    // a request was prepared once: Send_ starts tmrReader from then on
    bool m_prepared = false; // prepared and not sent yet
    bool m_downOK = false;
    qint32 m_readyState = 0;
    qint32 m_status = 0;
    QString m_statusText;
    std::vector<std::pair<QByteArray, QByteArray>> m_responseHeaders;
    QByteArray m_body;
    qint64 m_limit = 0;
};

} // namespace vecardia

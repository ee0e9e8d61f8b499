#include "extras/version_check.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include "base/version_page.h"

namespace zd {

QUrl VersionPageUrl() {
    return QUrl(QString("http://%1/orvelt/version.htm").arg(ZD_VERSION_HOST));
}

std::string PageFetcher::FetchPage(const QUrl& url) {
    // One request over a socket of our own: no retries, no compression, no
    // more than kReplyLimit bytes, and one deadline for all of it.
    QTcpSocket socket;
    QEventLoop wait;
    QByteArray reply;
    const auto request = QString(
                             "GET %1 HTTP/1.1\r\nHost: %2\r\nUser-Agent: CodeguruBrowser1.0\r\n"
                             "Accept-Encoding: identity\r\nConnection: close\r\n\r\n")
                             .arg(url.path(QUrl::FullyEncoded), url.host())
                             .toLatin1();
    QObject::connect(&socket, &QTcpSocket::connected, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] {
        reply += socket.read(static_cast<qint64>(kReplyLimit) - reply.size());
        if (ReplyComplete(std::string_view(reply.constData(), reply.size()))) wait.quit();
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &wait, &QEventLoop::quit);
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &wait, &QEventLoop::quit);
    QTimer::singleShot(m_timeoutMs, Qt::PreciseTimer, &wait, &QEventLoop::quit);
    socket.setReadBufferSize(kReplyLimit);
    socket.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    wait.exec(QEventLoop::ExcludeUserInputEvents);
    socket.abort();

    // The status is not looked at: any answer with a length is read and searched.
    const auto body = ReplyBody(std::string_view(reply.constData(), reply.size()));
    return body ? PageText(*body) : m_fallback;
}

void CheckVersion(const QUrl& url, const std::function<void(const QString&)>& show, int timeoutMs) {
    PageFetcher fetcher;
    fetcher.SetFallbackText(std::string(kVersionFallback));
    fetcher.SetTimeoutMs(timeoutMs);
    const std::string page = fetcher.FetchPage(url);
    // Without an answer the page is the fallback's words, which carry no
    // token: they are said themselves, so that a failure is never silence.
    if (page == kVersionFallback) return show(QString::fromStdString(page));
    for (const std::string& message : VersionMessages(page)) show(QString::fromStdString(message));
}

}  // namespace zd

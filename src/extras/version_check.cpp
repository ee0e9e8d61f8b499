#include "extras/version_check.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "base/version_page.h"

namespace zd {

QUrl VersionPageUrl() {
    return QUrl(QString("http://%1/orvelt/version.htm").arg(ZD_VERSION_HOST));
}

PageFetcher::PageFetcher() : m_network(new QNetworkAccessManager) {}

PageFetcher::~PageFetcher() {
    delete m_network;
}

std::string PageFetcher::FetchPage(const QUrl& url) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, "CodeguruBrowser1.0");
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply* reply = m_network->get(request);
    QEventLoop wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    wait.exec(QEventLoop::ExcludeUserInputEvents);

    std::string result = m_fallback;
    // The status is not looked at: any answer with a length is read and searched.
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > 0) {
        const QByteArray body = reply->read(length.toLongLong());
        result = PageText(std::string_view(body.constData(), body.size()));
    }
    reply->deleteLater();
    return result;
}

void CheckVersion(const QUrl& url, const std::function<void(const QString&)>& show, int timeoutMs) {
    PageFetcher fetcher;
    fetcher.SetFallbackText(std::string(kVersionFallback));
    fetcher.SetTimeoutMs(timeoutMs);
    const std::string page = fetcher.FetchPage(url);
    for (const std::string& message : VersionMessages(page)) show(QString::fromStdString(message));
}

}  // namespace zd

// "Check for latest version": one page fetched from the maker's web server and
// searched for the marker tokens, a message box for each one found.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>
#include <string>

namespace zd {

// The version page's address, from the build's setting of the host.
QUrl VersionPageUrl();

// How long a fetch may take before it counts as failed.
inline constexpr int kFetchTimeoutMs = 15000;

class PageFetcher {
public:
    void SetFallbackText(std::string text) { m_fallback = std::move(text); }
    // Tests shorten the time a fetch may take.
    void SetTimeoutMs(int timeoutMs) { m_timeoutMs = timeoutMs; }

    // The body the server announces by its content length, as far as it came
    // within kFetchTimeoutMs and kReplyLimit, up to its first zero byte; the
    // fallback text when there is no answer, no content length or a length of
    // 0 or less.
    std::string FetchPage(const QUrl& url);

private:
    std::string m_fallback;
    int m_timeoutMs = kFetchTimeoutMs;
};

// Fetches `url` and shows each token's message through `show`, in order.
void CheckVersion(const QUrl& url, const std::function<void(const QString&)>& show,
                  int timeoutMs = kFetchTimeoutMs);

}  // namespace zd

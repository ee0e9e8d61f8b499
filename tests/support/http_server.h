// A one-page HTTP server on 127.0.0.1 for tests: it answers every request with
// the same raw bytes (or, told so, never answers), and remembers the requests.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zd::test {

class HttpServer {
public:
    // `response` goes out as it is: status line, headers and body.
    explicit HttpServer(std::string response, bool silent = false);
    ~HttpServer();

    int port() const { return m_port; }
    std::vector<std::string> requests();

private:
    void Serve();

    std::string m_response;
    bool m_silent;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

}  // namespace zd::test

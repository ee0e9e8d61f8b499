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
    enum class Behaviour {
        kAnswer,   // `response`, then the connection closes
        kSilent,   // the connection is held open and never answered
        kTrickle,  // `response` a byte a second
        kFlood,    // `response`, then "x" without end
        kReset,    // the connection is reset at once
    };

    // `response` goes out as it is: status line, headers and body.
    explicit HttpServer(std::string response, Behaviour behaviour = Behaviour::kAnswer);
    ~HttpServer();

    int port() const { return m_port; }
    std::vector<std::string> requests();

private:
    void Serve();
    // Sends `bytes` a piece at a time, `pauseMs` apart; false once the client
    // has gone or the server stops.
    bool SendPaced(int client, std::string_view bytes, size_t piece, int pauseMs);

    std::string m_response;
    Behaviour m_behaviour;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

}  // namespace zd::test

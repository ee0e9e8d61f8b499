#include "support/http_server.h"

#include <chrono>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zd::test {

HttpServer::HttpServer(std::string response, Behaviour behaviour)
    : m_response(std::move(response)), m_behaviour(behaviour) {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(m_listen, 4);
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &length);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
}

std::vector<std::string> HttpServer::requests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void HttpServer::Serve() {
    std::vector<int> silentClients;
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int client = ::accept(m_listen, nullptr, nullptr);
        if (client < 0) continue;
        std::string request;
        char chunk[1024];
        while (request.find("\r\n\r\n") == std::string::npos) {
            pollfd c{client, POLLIN, 0};
            if (::poll(&c, 1, 2000) <= 0) break;
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0) break;
            request.append(chunk, static_cast<size_t>(n));
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request);
        }
        switch (m_behaviour) {
            case Behaviour::kSilent:
                silentClients.push_back(client);
                continue;
            case Behaviour::kAnswer:
                SendPaced(client, m_response, m_response.size(), 0);
                break;
            case Behaviour::kTrickle:
                SendPaced(client, m_response, 1, 1000);
                break;
            case Behaviour::kFlood: {
                const std::string flood(64 * 1024, 'x');
                if (SendPaced(client, m_response, m_response.size(), 0))
                    while (SendPaced(client, flood, flood.size(), 0)) {}
                break;
            }
            case Behaviour::kReset: {
                const linger reset{1, 0};
                ::setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                break;
            }
        }
        ::shutdown(client, SHUT_WR);
        ::close(client);
    }
    for (int client : silentClients) ::close(client);
}

bool HttpServer::SendPaced(int client, std::string_view bytes, size_t piece, int pauseMs) {
    for (size_t at = 0; at < bytes.size(); at += piece) {
        if (m_stop) return false;
        const std::string_view part = bytes.substr(at, piece);
        if (::send(client, part.data(), part.size(), MSG_NOSIGNAL) < 0) return false;
        for (int slept = 0; slept < pauseMs && !m_stop; slept += 50)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}  // namespace zd::test

#pragma once

// A loopback TCP server below HTTP, for upstreams that misbehave on the wire:
// it reads a request, keeps it, and then answers `reply` (maybe garbage) and
// closes, or resets the connection when `reply` is empty. A `silent` one never
// accepts: connections complete and requests are taken in, but nothing answers.
// With `drip` the reply goes out one byte per interval.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

class RawServer {
public:
    explicit RawServer(std::string reply, bool silent = false, std::chrono::milliseconds drip = {})
        : m_reply(std::move(reply)), m_drip(drip) {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 8);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        if (!silent)
            m_thread = std::thread([this] { serve(); });
    }
    ~RawServer() {
        m_done = true;
        ::shutdown(m_listener, SHUT_RDWR);
        ::close(m_listener);
        if (m_thread.joinable())
            m_thread.join();
    }
    int port() const { return m_port; }
    // Connects to `port`, sends `bytes` and waits (up to 5 s) until the other side closes.
    static void sendAndWait(int port, const std::string& bytes) {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        timeval limit{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            char buffer[256];
            while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
            }
        }
        ::close(fd);
    }
    // The last request as it came in, headers and body.
    std::string received() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

private:
    void serve() {
        while (!m_done) {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client < 0)
                return;
            // The headers, then as much body as they announce.
            std::string request;
            char buffer[4096];
            for (ssize_t n; (n = ::recv(client, buffer, sizeof buffer, 0)) > 0;) {
                request.append(buffer, std::size_t(n));
                const auto end = request.find("\r\n\r\n");
                const auto length = request.find("Content-Length: ");
                if (end != std::string::npos &&
                    request.size() >=
                        end + 4 + (length < end ? std::strtoul(&request[length + 16], nullptr, 10) : 0ul))
                    break;
            }
            {
                std::lock_guard lock(m_mutex);
                m_received = request;
            }
            if (m_reply.empty()) {
                linger hard{1, 0}; // close with RST
                ::setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            } else if (m_drip.count() == 0) {
                (void)::send(client, m_reply.data(), m_reply.size(), MSG_NOSIGNAL);
            } else {
                for (std::size_t i = 0; i < m_reply.size() && !m_done; ++i) {
                    if (::send(client, &m_reply[i], 1, MSG_NOSIGNAL) != 1)
                        break;
                    std::this_thread::sleep_for(m_drip);
                }
            }
            ::close(client);
        }
    }

    std::string m_reply;
    std::chrono::milliseconds m_drip;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::string m_received;
};

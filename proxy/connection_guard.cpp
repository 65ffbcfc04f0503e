#include "connection_guard.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vorn::proxy {

namespace {

using Clock = std::chrono::steady_clock;

bool waitFor(int fd, short events, std::chrono::milliseconds limit) {
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = ::poll(&p, 1, static_cast<int>(std::max<long long>(0, limit.count())));
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0 && (p.revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

void addressOf(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int got = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                         : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ip.clear();
    port = 0;
    if (got != 0)
        return;
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

// A plain socket whose reads end at a deadline set per request.
class DeadlineStream : public httplib::Stream {
public:
    DeadlineStream(int fd, std::chrono::milliseconds writeTimeout) : m_fd(fd), m_writeTimeout(writeTimeout) {}
    void setReadDeadline(Clock::time_point deadline) { m_deadline = deadline; }

    bool is_readable() const override {
        return m_begin < m_end ||
               waitFor(m_fd, POLLIN,
                       std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now()));
    }
    bool is_writable() const override { return waitFor(m_fd, POLLOUT, m_writeTimeout); }
    ssize_t read(char* data, size_t size) override {
        if (m_begin == m_end) {
            if (!is_readable())
                return -1;
            const ssize_t n = ::recv(m_fd, m_buffer, sizeof m_buffer, 0);
            if (n <= 0)
                return n;
            m_begin = 0;
            m_end = static_cast<std::size_t>(n);
        }
        const std::size_t count = std::min(size, m_end - m_begin);
        std::copy(m_buffer + m_begin, m_buffer + m_begin + count, data);
        m_begin += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(const char* data, size_t size) override {
        if (!is_writable())
            return -1;
        return ::send(m_fd, data, size, MSG_NOSIGNAL);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        addressOf(m_fd, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        addressOf(m_fd, false, ip, port);
    }
    socket_t socket() const override { return m_fd; }
    bool hasBuffered() const { return m_begin < m_end; }

private:
    int m_fd;
    std::chrono::milliseconds m_writeTimeout;
    Clock::time_point m_deadline = Clock::now();
    char m_buffer[4096];
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
};

} // namespace

ElasticPool::ElasticPool(std::size_t idle, std::size_t max)
    : m_keep(std::max<std::size_t>(1, idle)), m_max(std::max(m_keep, max)) {}

ElasticPool::~ElasticPool() {
    shutdown();
}

void ElasticPool::enqueue(std::function<void()> fn) {
    std::lock_guard lock(m_mutex);
    m_jobs.push_back(std::move(fn));
    if (m_jobs.size() > m_idle && m_threads < m_max) {
        ++m_threads;
        std::thread([this] { work(); }).detach();
    }
    m_work.notify_one();
}

void ElasticPool::shutdown() {
    std::unique_lock lock(m_mutex);
    m_stopping = true;
    m_work.notify_all();
    m_ended.wait(lock, [this] { return m_threads == 0; });
}

void ElasticPool::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        const bool woken =
            m_work.wait_for(lock, std::chrono::seconds(30), [this] { return m_stopping || !m_jobs.empty(); });
        --m_idle;
        if (m_jobs.empty()) {
            if (m_stopping || (!woken && m_threads > m_keep)) {
                --m_threads;
                m_ended.notify_all();
                return;
            }
            continue;
        }
        auto job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        job();
        lock.lock();
    }
}

bool PeerCounter::enter(const std::string& address) {
    std::lock_guard lock(m_mutex);
    std::size_t& open = m_open[address];
    if (open >= m_limit)
        return false;
    ++open;
    return true;
}

void PeerCounter::leave(const std::string& address) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_open.find(address); it != m_open.end() && --it->second == 0)
        m_open.erase(it);
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    std::string address;
    int port = 0;
    addressOf(sock, true, address, port);
    bool ok = false;
    if (!m_peers.enter(address)) {
        static const std::string busy = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain\r\n"
                                        "Content-Length: 41\r\nConnection: close\r\n\r\n"
                                        "Too many connections from this address.\r\n";
        (void)::send(sock, busy.data(), busy.size(), MSG_NOSIGNAL);
    } else {
        DeadlineStream stream(
            sock, std::chrono::milliseconds(write_timeout_sec_ * 1000 + write_timeout_usec_ / 1000));
        for (std::size_t left = m_limits.keepAliveRequests; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
            // Wait for the next request in short steps, so that stopping is quick.
            const auto idleUntil = Clock::now() + m_limits.keepAliveTimeout;
            bool arrived = stream.hasBuffered();
            while (!arrived && svr_sock_ != INVALID_SOCKET && Clock::now() < idleUntil)
                arrived = waitFor(sock, POLLIN, std::chrono::milliseconds(50));
            if (!arrived)
                break;
            stream.setReadDeadline(Clock::now() + m_limits.requestReadTimeout);
            bool closed = false;
            ok = process_request(stream, left == 1, closed, nullptr);
            if (!ok || closed)
                break;
        }
        m_peers.leave(address);
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

} // namespace vorn::proxy

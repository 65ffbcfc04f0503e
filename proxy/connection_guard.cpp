#include "connection_guard.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
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

std::chrono::milliseconds until(Clock::time_point deadline) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
}

// A socket (plain, or TLS with `ssl`) whose reads end at a deadline set per
// request. A TLS socket is non-blocking, so that a record cut short cannot
// hold a read past the deadline.
class DeadlineStream : public httplib::Stream {
public:
    DeadlineStream(int fd, SSL* ssl, std::chrono::milliseconds writeTimeout)
        : m_fd(fd), m_ssl(ssl), m_writeTimeout(writeTimeout) {}
    void setReadDeadline(Clock::time_point deadline) { m_deadline = deadline; }

    bool is_readable() const override { return hasBuffered() || waitFor(m_fd, POLLIN, until(m_deadline)); }
    bool is_writable() const override { return waitFor(m_fd, POLLOUT, m_writeTimeout); }
    ssize_t read(char* data, size_t size) override {
        if (m_begin == m_end) {
            const ssize_t n =
                m_ssl ? readTls() : (is_readable() ? ::recv(m_fd, m_buffer, sizeof m_buffer, 0) : -1);
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
        if (!m_ssl)
            return is_writable() ? ::send(m_fd, data, size, MSG_NOSIGNAL) : -1;
        const auto deadline = Clock::now() + m_writeTimeout;
        for (;;) {
            const int n = SSL_write(m_ssl, data, static_cast<int>(std::min<size_t>(size, 1 << 30)));
            if (n > 0)
                return n;
            if (!waitForTls(n, deadline))
                return -1;
        }
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        addressOf(m_fd, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        addressOf(m_fd, false, ip, port);
    }
    socket_t socket() const override { return m_fd; }
    bool hasBuffered() const { return m_begin < m_end || (m_ssl && SSL_pending(m_ssl) > 0); }

    // What a TLS call that returned `result` waits for, until `deadline`; false: give up.
    bool waitForTls(int result, Clock::time_point deadline) const {
        const int error = SSL_get_error(m_ssl, result);
        if (error == SSL_ERROR_WANT_READ)
            return waitFor(m_fd, POLLIN, until(deadline));
        if (error == SSL_ERROR_WANT_WRITE)
            return waitFor(m_fd, POLLOUT, until(deadline));
        return false;
    }

private:
    ssize_t readTls() {
        for (;;) {
            const int n = SSL_read(m_ssl, m_buffer, sizeof m_buffer);
            if (n > 0)
                return n;
            if (SSL_get_error(m_ssl, n) == SSL_ERROR_ZERO_RETURN)
                return 0;
            if (Clock::now() >= m_deadline || !waitForTls(n, m_deadline))
                return -1;
        }
    }

    int m_fd;
    SSL* m_ssl;
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

bool serveConnection(int sock, SSL_CTX* tls, const ConnectionLimits& limits, PeerCounter& peers,
                     const std::atomic<socket_t>& listening, std::chrono::milliseconds writeTimeout,
                     const ProcessRequest& process) {
    std::string address;
    int port = 0;
    addressOf(sock, true, address, port);
    bool ok = false;
    if (!peers.enter(address)) {
        // Said in the clear even on a TLS port: the client learns why either way.
        static const std::string busy = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: text/plain\r\n"
                                        "Content-Length: 41\r\nConnection: close\r\n\r\n"
                                        "Too many connections from this address.\r\n";
        (void)::send(sock, busy.data(), busy.size(), MSG_NOSIGNAL);
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return false;
    }
    SSL* ssl = nullptr;
    bool ready = true;
    if (tls) {
        ssl = SSL_new(tls);
        ready = ssl && SSL_set_fd(ssl, sock) == 1 &&
                ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK) == 0;
        const auto deadline = Clock::now() + limits.requestReadTimeout;
        DeadlineStream handshake(sock, ssl, writeTimeout);
        while (ready) {
            const int n = SSL_accept(ssl);
            if (n == 1)
                break;
            ready = handshake.waitForTls(n, deadline);
        }
    }
    if (ready) {
        DeadlineStream stream(sock, ssl, writeTimeout);
        for (std::size_t left = limits.keepAliveRequests; left > 0 && listening != INVALID_SOCKET; --left) {
            // Wait for the next request in short steps, so that stopping is quick.
            const auto idleUntil = Clock::now() + limits.keepAliveTimeout;
            bool arrived = stream.hasBuffered();
            while (!arrived && listening != INVALID_SOCKET && Clock::now() < idleUntil)
                arrived = waitFor(sock, POLLIN, std::chrono::milliseconds(50));
            if (!arrived)
                break;
            stream.setReadDeadline(Clock::now() + limits.requestReadTimeout);
            bool closed = false;
            ok = process(stream, left == 1, closed);
            if (!ok || closed)
                break;
        }
    }
    if (ssl) {
        if (ready)
            SSL_shutdown(ssl);
        SSL_free(ssl);
    }
    peers.leave(address);
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

namespace {

std::chrono::milliseconds millis(time_t sec, time_t usec) {
    return std::chrono::milliseconds(sec * 1000 + usec / 1000);
}

} // namespace

bool GuardedServer::process_and_close_socket(socket_t sock) {
    return serveConnection(sock, nullptr, m_limits, m_peers, svr_sock_,
                           millis(write_timeout_sec_, write_timeout_usec_),
                           [this](httplib::Stream& stream, bool close, bool& closed) {
                               return process_request(stream, close, closed, nullptr);
                           });
}

bool GuardedSslServer::process_and_close_socket(socket_t sock) {
    return serveConnection(sock, ssl_context(), m_limits, m_peers, svr_sock_,
                           millis(write_timeout_sec_, write_timeout_usec_),
                           [this](httplib::Stream& stream, bool close, bool& closed) {
                               return process_request(stream, close, closed, nullptr);
                           });
}

} // namespace vorn::proxy

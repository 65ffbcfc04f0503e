#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace vorn::proxy {

// Limits on what one connection may hold.
struct ConnectionLimits {
    std::chrono::milliseconds requestReadTimeout{10'000}; // headers and body of one request, in all
    std::chrono::milliseconds keepAliveTimeout{5'000};
    std::size_t perClient = 32; // connections at once from one address
    std::size_t keepAliveRequests = 1000;
};

// A thread pool that keeps `idle` threads and grows to `max` while every
// thread is busy, so that connections held by slow clients do not leave the
// next one waiting. Threads above `idle` end after a while without work.
class ElasticPool : public httplib::TaskQueue {
public:
    ElasticPool(std::size_t idle, std::size_t max);
    ~ElasticPool() override;
    void enqueue(std::function<void()> fn) override;
    void shutdown() override;

private:
    void work();

    const std::size_t m_keep;
    const std::size_t m_max;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_ended;
    std::deque<std::function<void()>> m_jobs;
    std::size_t m_threads = 0;
    std::size_t m_idle = 0;
    bool m_stopping = false;
};

// Counts open connections per client address.
class PeerCounter {
public:
    explicit PeerCounter(std::size_t limit) : m_limit(limit) {}
    // Takes a place for `address`; false when it already holds `limit`.
    bool enter(const std::string& address);
    void leave(const std::string& address);

private:
    std::size_t m_limit;
    std::mutex m_mutex;
    std::map<std::string, std::size_t> m_open;
};

using ProcessRequest = std::function<bool(httplib::Stream& stream, bool closeConnection, bool& closed)>;

// One accepted connection, served until it closes, idles past the keep-alive
// time or the listening socket goes: each request must arrive whole within
// `requestReadTimeout`, however slowly its bytes drip, and one address holds
// at most `perClient` connections (more are answered 503 and closed at once).
// With `tls` the TLS handshake falls under the same deadline. Closes `sock`.
bool serveConnection(int sock, SSL_CTX* tls, const ConnectionLimits& limits, PeerCounter& peers,
                     const std::atomic<socket_t>& listening, std::chrono::milliseconds writeTimeout,
                     const ProcessRequest& process);

// httplib's servers with that connection loop instead of their own.
class GuardedServer : public httplib::Server {
public:
    explicit GuardedServer(ConnectionLimits limits) : m_limits(limits), m_peers(limits.perClient) {}

private:
    bool process_and_close_socket(socket_t sock) override;

    ConnectionLimits m_limits;
    PeerCounter m_peers;
};

class GuardedSslServer : public httplib::SSLServer {
public:
    GuardedSslServer(ConnectionLimits limits, const std::string& cert, const std::string& key)
        : httplib::SSLServer(cert.c_str(), key.c_str()), m_limits(limits), m_peers(limits.perClient) {}

private:
    bool process_and_close_socket(socket_t sock) override;

    ConnectionLimits m_limits;
    PeerCounter m_peers;
};

} // namespace vorn::proxy

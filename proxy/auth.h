#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorn::proxy {

// The shortest token accepted in the configuration.
inline constexpr std::size_t kMinTokenLength = 16;

// Checks "Authorization: Bearer <token>" against the configured tokens.
// Comparison runs in constant time over digests, so neither the content nor
// the length of a token leaks through timing.
class TokenCheck {
public:
    explicit TokenCheck(const std::vector<std::string>& tokens);

    // The matching token's index, or nullopt for a missing or wrong one.
    std::optional<std::size_t> match(const std::string& authorizationHeader) const;

private:
    std::vector<std::string> m_digests;
};

// A token bucket per client token: `perMinute` requests a minute on average,
// up to `burst` at once. Thread-safe; the clock is injectable.
class RateLimiter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    RateLimiter(int perMinute, int burst, Clock clock = &std::chrono::steady_clock::now);

    // Takes one request from `key`'s bucket; false when it is empty.
    bool allow(std::size_t key);
    // True when `key`'s bucket has a request left, taking none.
    bool available(std::size_t key);

private:
    bool take(std::size_t key, double cost);
    struct Bucket {
        double tokens;
        std::chrono::steady_clock::time_point last;
    };
    double m_perSecond;
    double m_burst;
    Clock m_clock;
    std::mutex m_mutex;
    std::unordered_map<std::size_t, Bucket> m_buckets;
};

} // namespace vorn::proxy

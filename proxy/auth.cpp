#include "auth.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <algorithm>
#include <cctype>

namespace vorn::proxy {

namespace {

std::string digest(const std::string& text) {
    std::string out(SHA256_DIGEST_LENGTH, '\0');
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
           reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

} // namespace

TokenCheck::TokenCheck(const std::vector<std::string>& tokens) {
    for (const std::string& token : tokens)
        m_digests.push_back(digest(token));
}

std::optional<std::size_t> TokenCheck::match(const std::string& authorizationHeader) const {
    // The scheme word is case-insensitive; one or more spaces follow it.
    static const std::string scheme = "bearer";
    if (authorizationHeader.size() <= scheme.size() + 1 ||
        !std::equal(scheme.begin(), scheme.end(), authorizationHeader.begin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }) ||
        authorizationHeader[scheme.size()] != ' ')
        return std::nullopt;
    const auto start = authorizationHeader.find_first_not_of(' ', scheme.size());
    if (start == std::string::npos)
        return std::nullopt;
    const std::string presented = digest(authorizationHeader.substr(start));
    std::optional<std::size_t> found;
    // Every configured token is compared, whichever matches.
    for (std::size_t i = 0; i < m_digests.size(); ++i) {
        if (CRYPTO_memcmp(presented.data(), m_digests[i].data(), presented.size()) == 0)
            found = i;
    }
    return found;
}

RateLimiter::RateLimiter(int perMinute, int burst, Clock clock)
    : m_perSecond(perMinute / 60.0), m_burst(std::max(1, burst)), m_clock(std::move(clock)) {}

bool RateLimiter::available(std::size_t key) {
    return take(key, 0.0);
}

bool RateLimiter::allow(std::size_t key) {
    return take(key, 1.0);
}

bool RateLimiter::take(std::size_t key, double cost) {
    const auto now = m_clock();
    std::lock_guard lock(m_mutex);
    auto [it, inserted] = m_buckets.try_emplace(key, Bucket{m_burst, now});
    Bucket& bucket = it->second;
    if (!inserted) {
        const double elapsed = std::chrono::duration<double>(now - bucket.last).count();
        bucket.tokens = std::min(m_burst, bucket.tokens + std::max(0.0, elapsed) * m_perSecond);
        bucket.last = now;
    }
    if (bucket.tokens < 1.0)
        return false;
    bucket.tokens -= cost;
    return true;
}

} // namespace vorn::proxy

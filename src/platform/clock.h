#pragma once

#include "platform/instant.h"

namespace vorn {

class Clock {
public:
    virtual ~Clock() = default;
    virtual Instant now() const = 0;
};

class SystemClock final : public Clock {
public:
    Instant now() const override;
};

// A clock that only moves when told to; used by tests and benchmarks.
class ManualClock final : public Clock {
public:
    explicit ManualClock(Instant start = 0) : m_now(start) {}
    Instant now() const override { return m_now; }
    void set(Instant t) { m_now = t; }
    void advance(double seconds) { m_now += seconds; }

private:
    Instant m_now;
};

} // namespace vorn

#include "platform/random_source.h"

#include <QRandomGenerator>

#include <cmath>

namespace vorn {

namespace {
constexpr quint64 kTwo53 = quint64(1) << 53;
}

double closedRangeValue(double a, double b, quint64 k) {
    if (k >= kTwo53)
        return b;
    return a + (b - a) * std::ldexp(static_cast<double>(k), -53);
}

double SystemRandomSource::uniform(double a, double b) {
    // bounded() excludes its upper limit, so ask for 2^53 + 1 values.
    return closedRangeValue(a, b, QRandomGenerator::system()->bounded(kTwo53 + 1));
}

double ScriptedRandomSource::uniform(double a, double b) {
    ++m_draws;
    double f = 0;
    if (!m_fractions.isEmpty()) {
        f = m_fractions.at(std::min(m_next, m_fractions.size() - 1));
        if (m_next < m_fractions.size())
            ++m_next;
    }
    f = std::clamp(f, 0.0, 1.0);
    return closedRangeValue(a, b, static_cast<quint64>(std::llround(f * static_cast<double>(kTwo53))));
}

} // namespace vorn

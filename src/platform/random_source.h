#pragma once

#include <QList>

namespace vorn {

// Uniform doubles over a closed range [a, b]: an integer k is drawn uniformly
// from 0 to 2^53 inclusive; the value is b when k = 2^53, else a + (b - a) * k * 2^-53.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual double uniform(double a, double b) = 0;
};

// Maps a raw draw k (0 … 2^53) onto [a, b]; shared by every source.
double closedRangeValue(double a, double b, quint64 k);

class SystemRandomSource final : public RandomSource {
public:
    double uniform(double a, double b) override;
};

// Replays a script of raw fractions (0 … 1, each mapped onto the asked range);
// when the script runs out it keeps answering the last entry (or a when empty).
class ScriptedRandomSource final : public RandomSource {
public:
    explicit ScriptedRandomSource(QList<double> fractions = {}) : m_fractions(std::move(fractions)) {}
    void push(double fraction) { m_fractions.append(fraction); }
    double uniform(double a, double b) override;
    int draws() const { return m_draws; }

private:
    QList<double> m_fractions;
    qsizetype m_next = 0;
    int m_draws = 0;
};

} // namespace vorn

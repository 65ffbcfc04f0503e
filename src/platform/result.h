#pragma once

#include <optional>
#include <utility>
#include <variant>

namespace vorn {

// A small expected-like value: either a T or an error E. Errors are values in
// this code base; nothing throws across the event loop.
template <typename T, typename E> class Result {
public:
    Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Result(E error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return m_data.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return std::get<0>(m_data); }
    T& value() & { return std::get<0>(m_data); }
    T&& value() && { return std::get<0>(std::move(m_data)); }
    const E& error() const { return std::get<1>(m_data); }

    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, E> m_data;
};

} // namespace vorn

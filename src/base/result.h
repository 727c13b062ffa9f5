#pragma once

// What an operation that can fail for a reason the user should see gives
// back: its value, or the failure with that reason. The reason travels with
// the result, so nobody has to ask the disk again afterwards to guess it.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace kdx {

// Why something failed: the system's error code where the system refused
// (0, or a negative code a caller can tell apart, for a reason of the
// program's own) and the text shown to the user.
struct Failure {
    int code = 0;
    std::string reason;
};

// A value of T or a Failure. Reads like std::optional where the value is
// used, and error() tells why there is none.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : m_state(std::in_place_index<1>, std::move(failure)) {}

    bool has_value() const { return m_state.index() == 0; }
    explicit operator bool() const { return has_value(); }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(value()); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    T& value() & {
        assert(has_value());
        return std::get<0>(m_state);
    }
    const T& value() const& {
        assert(has_value());
        return std::get<0>(m_state);
    }
    template <class U>
    T value_or(U&& fallback) const& {
        return has_value() ? std::get<0>(m_state) : static_cast<T>(std::forward<U>(fallback));
    }

    const Failure& error() const {
        assert(!has_value());
        return std::get<1>(m_state);
    }

private:
    std::variant<T, Failure> m_state;
};

// Success without a value, or a Failure.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failure(std::move(failure)), m_failed(true) {}

    bool has_value() const { return !m_failed; }
    explicit operator bool() const { return has_value(); }

    const Failure& error() const {
        assert(m_failed);
        return m_failure;
    }

private:
    Failure m_failure;
    bool m_failed = false;
};

using Status = Result<void>;

} // namespace kdx

#pragma once
#include "core/lane_square_root.hpp"

// Dual numbers (core/dual_number.hpp) whose value and rate are the lanes of a
// vector of doubles, or one double: each operation is Dual's, written in the
// same order, so a lane's value and rate are the bits Dual gives for that
// lane alone.
namespace orvane {

template <class T>
struct LaneDual {
    T value;
    T rate;
};

template <class T>
[[gnu::always_inline]] inline LaneDual<T> operator+(const LaneDual<T>& a, const LaneDual<T>& b) {
    return {a.value + b.value, a.rate + b.rate};
}
template <class T>
[[gnu::always_inline]] inline LaneDual<T> operator-(const LaneDual<T>& a, const LaneDual<T>& b) {
    return {a.value - b.value, a.rate - b.rate};
}
template <class T>
[[gnu::always_inline]] inline LaneDual<T> operator-(const LaneDual<T>& a) {
    return {-a.value, -a.rate};
}
template <class T>
[[gnu::always_inline]] inline LaneDual<T> operator*(const LaneDual<T>& a, const LaneDual<T>& b) {
    return {a.value * b.value, a.rate * b.value + a.value * b.rate};
}
template <class T>
[[gnu::always_inline]] inline LaneDual<T> operator*(const LaneDual<T>& a, double b) {
    return {a.value * b, a.rate * b};
}
template <class T>
[[gnu::always_inline]] inline LaneDual<T> operator/(const LaneDual<T>& a, const LaneDual<T>& b) {
    const T q = a.value / b.value;
    return {q, (a.rate - q * b.rate) / b.value};
}

// 1 plus a, as Dual{1, 0} + a.
template <class T>
[[gnu::always_inline]] inline LaneDual<T> one_plus(const LaneDual<T>& a) {
    return {1.0 + a.value, 0.0 + a.rate};
}

// 1/√a with its rate, -ȧ/(2 a√a): the corrections' inverse_root.
template <class T>
[[gnu::always_inline]] inline LaneDual<T> lane_inverse_root(const LaneDual<T>& a) {
    T root;
    lane_square_root(a.value, root);
    const T inverse = 1.0 / root;
    return {inverse, -0.5 * a.rate * (inverse * inverse * inverse)};
}

// The same with √a.value already taken.
template <class T>
[[gnu::always_inline]] inline LaneDual<T> lane_inverse_root_given(const LaneDual<T>& a, const T& root) {
    const T inverse = 1.0 / root;
    return {inverse, -0.5 * a.rate * (inverse * inverse * inverse)};
}

template <class T>
[[gnu::always_inline]] inline LaneDual<T> lane_dot(const LaneDual<T> (&a)[3], const LaneDual<T> (&b)[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

}  // namespace orvane

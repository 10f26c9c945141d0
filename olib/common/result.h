#pragma once

// A value or an error: what the support library's operations return instead of throwing.

#include <utility>
#include <variant>

namespace olib {

template <class T, class E>
class Result {
 public:
  Result(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
  Result(E error) : m_data(std::in_place_index<1>, std::move(error)) {}

  bool ok() const noexcept { return m_data.index() == 0; }
  explicit operator bool() const noexcept { return ok(); }

  // value() on an error (and error() on a value) throws std::bad_variant_access.
  T& value() & { return std::get<0>(m_data); }
  const T& value() const& { return std::get<0>(m_data); }
  T&& value() && { return std::get<0>(std::move(m_data)); }
  E& error() & { return std::get<1>(m_data); }
  const E& error() const& { return std::get<1>(m_data); }

 private:
  std::variant<T, E> m_data;
};

}  // namespace olib

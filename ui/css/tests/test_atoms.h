#pragma once

// A plain atom table for tests, fuzzers and benchmarks of the CSS library.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "atoms.h"

namespace orlan::css::testing {

class TestAtoms final : public AtomInterner {
 public:
  TestAtoms() { m_names.emplace_back(); }

  uint32_t intern(std::string_view text) override {
    if (text.empty()) return 0;
    auto it = m_ids.find(text);
    if (it != m_ids.end()) return it->second;
    uint32_t id = static_cast<uint32_t>(m_names.size());
    m_names.emplace_back(text);
    m_ids.emplace(std::string(text), id);
    return id;
  }

  uint32_t intern_lower(std::string_view text) override {
    char small[64];
    std::string large;
    char* out = small;
    if (text.size() > sizeof small) {
      large.resize(text.size());
      out = large.data();
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      char c = text[i];
      out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    return intern(std::string_view(out, text.size()));
  }

  // 0 when the text was never interned.
  uint32_t find(std::string_view text) const {
    auto it = m_ids.find(text);
    return it == m_ids.end() ? 0 : it->second;
  }

  std::string_view text(uint32_t atom) const {
    return atom < m_names.size() ? std::string_view(m_names[atom]) : std::string_view();
  }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::vector<std::string> m_names;
  std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> m_ids;
};

}  // namespace orlan::css::testing

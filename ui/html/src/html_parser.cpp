#include "html_parser.h"
#include "ascii.h"

#include <cstring>
#include <string_view>

#include "known_tags.h"
#include "last_error.h"

namespace orlan {

namespace {

constexpr int kMaxOpenElements = 256;
constexpr std::size_t kMaxKnownName = 31;
constexpr std::uint32_t kFirstPendingCapacity = 256;

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}
using tw::ascii_lower;
using tw::is_ascii_alpha;
using tw::is_ascii_digit;
bool is_tag_name_char(char c) {
  return is_ascii_alpha(c) || is_ascii_digit(c) || c == '-' || c == ':' || c == '_';
}

int hex_value(char c) {
  if (is_ascii_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A growable byte buffer from the document's buffer pool.
class ByteBuffer {
 public:
  explicit ByteBuffer(Document& document) : m_document(document) {}
  ~ByteBuffer() {
    if (m_data) m_document.buffers.release(m_data, m_capacity);
  }
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;

  bool append(const char* bytes, std::size_t count) {
    if (count == 0) return true;
    if (count > SIZE_MAX / 4 - m_length) return false;
    if (m_length + count > m_capacity) {
      std::size_t target = m_capacity ? m_capacity : kFirstPendingCapacity;
      while (target < m_length + count) target *= 2;
      std::size_t real = 0;
      auto* fresh = static_cast<char*>(m_document.buffers.allocate(target, &real));
      if (!fresh) return false;
      if (m_length) std::memcpy(fresh, m_data, m_length);
      if (m_data) m_document.buffers.release(m_data, m_capacity);
      m_data = fresh;
      m_capacity = real;
    }
    std::memcpy(m_data + m_length, bytes, count);
    m_length += count;
    return true;
  }
  std::string_view view() const { return std::string_view(m_data ? m_data : "", m_length); }
  bool empty() const { return m_length == 0; }
  void clear() { m_length = 0; }

 private:
  Document& m_document;
  char* m_data = nullptr;
  std::size_t m_length = 0;
  std::size_t m_capacity = 0;
};

// Decodes the character reference at `at` (an `&`) within [at, end). Returns the number
// of bytes it spans and writes the UTF-8 form into `out`/`out_length`, or 0 when the
// bytes there are not a reference.
std::size_t decode_reference(const char* at, const char* end, char out[4], int& out_length) {
  if (end - at < 3) return 0;
  const char* p = at + 1;
  std::uint32_t cp = 0;
  if (*p == '#') {
    ++p;
    bool hex = p < end && (*p == 'x' || *p == 'X');
    if (hex) ++p;
    const char* digits = p;
    for (; p < end; ++p) {
      int digit = hex ? hex_value(*p) : (is_ascii_digit(*p) ? *p - '0' : -1);
      if (digit < 0) break;
      cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
      if (cp > 0x10FFFF) return 0;
    }
    if (p == digits || p >= end || *p != ';') return 0;
    ++p;
    if (cp == 0) cp = 0xFFFD;
  } else {
    const char* name = p;
    while (p < end && is_ascii_alpha(*p) && p - name < 10) ++p;
    std::size_t length = static_cast<std::size_t>(p - name);
    if (length < 1 || length > 9 || p >= end || *p != ';') return 0;
    std::string_view n(name, length);
    if (n == "amp")
      cp = '&';
    else if (n == "apos")
      cp = '\'';
    else if (n == "gt")
      cp = '>';
    else if (n == "lt")
      cp = '<';
    else if (n == "nbsp")
      cp = 0xA0;
    else if (n == "quot")
      cp = '"';
    else
      return 0;
    ++p;
  }
  if (cp >= 0xD800 && cp <= 0xDFFF) return 0;  // a surrogate cannot be written
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    out_length = 1;
  } else if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    out_length = 2;
  } else if (cp < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    out_length = 3;
  } else {
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    out_length = 4;
  }
  return static_cast<std::size_t>(p - at);
}

class Parser {
 public:
  Parser(Document& document, const char* text, std::size_t length)
      : m_doc(document), m_in(text), m_length(length), m_pending(document), m_value(document) {}

  Status run() {
    clear_document(m_doc);
    while (m_pos < m_length && !m_error) step();
    flush_pending_text();
    if (!m_error) ensure_body();
    if (m_error) {
      set_last_error("html: out of memory");
      return kOutOfMemory;
    }
    update_window_inactive_class(m_doc);
    mark_dirty(*m_doc.root, kDirtyAll);
    return kOk;
  }

 private:
  // ---- The main loop ----

  void step() {
    const char* here = m_in + m_pos;
    std::size_t left = m_length - m_pos;
    if (*here != '<') {
      const void* lt = std::memchr(here, '<', left);
      std::size_t end =
          lt ? static_cast<std::size_t>(static_cast<const char*>(lt) - m_in) : m_length;
      append_decoded(m_pending, here, m_in + end);
      m_pos = end;
      return;
    }
    if (left >= 4 && std::memcmp(here, "<!--", 4) == 0) {
      // A comment does not flush the pending text: text around it becomes one node.
      m_pos += 4;
      std::size_t close = find("-->", m_pos);
      m_pos = close == kNotFound ? m_length : close + 3;
      return;
    }
    char next = left >= 2 ? here[1] : '\0';
    if (left >= 2 && (next == '!' || next == '?')) {
      skip_past_gt();
      return;
    }
    if (left >= 2 && next == '/') {
      m_pos += 2;
      if (m_pos >= m_length) return;
      if (is_tag_name_char(m_in[m_pos]))
        read_end_tag();
      else
        skip_past_gt();
      return;
    }
    if (left >= 2 && (is_ascii_alpha(next) || next == '-' || next == '_' || next == ':')) {
      m_pos += 1;
      read_start_tag();
      return;
    }
    // Any other `<` is just a character of the text.
    if (!m_pending.append("<", 1)) m_error = true;
    m_pos += 1;
  }

  static constexpr std::size_t kNotFound = SIZE_MAX;

  std::size_t find(std::string_view needle, std::size_t from) const {
    std::string_view hay(m_in, m_length);
    std::size_t at = hay.find(needle, from);
    return at == std::string_view::npos ? kNotFound : at;
  }

  void skip_past_gt() {
    const void* gt = std::memchr(m_in + m_pos, '>', m_length - m_pos);
    m_pos = gt ? static_cast<std::size_t>(static_cast<const char*>(gt) - m_in) + 1 : m_length;
  }

  std::string_view read_tag_name() {
    std::size_t start = m_pos;
    while (m_pos < m_length && is_tag_name_char(m_in[m_pos])) ++m_pos;
    return std::string_view(m_in + start, m_pos - start);
  }

  // Decodes character references in [from, to) and appends the result to `out`.
  void append_decoded(ByteBuffer& out, const char* from, const char* to) {
    const char* p = from;
    while (p < to && !m_error) {
      const void* amp = std::memchr(p, '&', static_cast<std::size_t>(to - p));
      const char* stop = amp ? static_cast<const char*>(amp) : to;
      if (!out.append(p, static_cast<std::size_t>(stop - p))) m_error = true;
      if (!amp) return;
      char bytes[4];
      int count = 0;
      std::size_t used = decode_reference(stop, to, bytes, count);
      if (used) {
        if (!out.append(bytes, static_cast<std::size_t>(count))) m_error = true;
        p = stop + used;
      } else {
        // Not a reference: the `&` stays, and so do the bytes up to the next `&`.
        if (!out.append("&", 1)) m_error = true;
        p = stop + 1;
      }
    }
  }

  // ---- The open-element stack ----

  Node* top() const { return m_depth > 0 ? m_stack[m_depth - 1] : nullptr; }
  bool on_stack(const Node* n) const {
    for (int i = 0; i < m_depth; ++i)
      if (m_stack[i] == n) return true;
    return false;
  }
  void push(Node* n) {
    if (m_depth < kMaxOpenElements) m_stack[m_depth++] = n;
  }

  Node* make_element(std::string_view name) {
    Node* n = create_element_node(m_doc, name);
    if (!n) m_error = true;
    return n;
  }

  void ensure_html() {
    if (!m_doc.html) {
      Node* html = make_element("html");
      if (!html) return;
      link_child(*m_doc.root, *html, nullptr);
      m_doc.html = html;
    }
    if (m_depth == 0) push(m_doc.html);
  }

  void ensure_head() {
    ensure_html();
    if (m_error || m_doc.head) return;
    Node* head = make_element("head");
    if (!head) return;
    Node* body = m_doc.body;
    link_child(*m_doc.html, *head, body && body->parent == m_doc.html ? body : nullptr);
    m_doc.head = head;
  }

  void ensure_body() {
    ensure_html();
    if (m_error) return;
    if (!m_doc.body) {
      Node* body = make_element("body");
      if (!body) return;
      link_child(*m_doc.html, *body, nullptr);
      m_doc.body = body;
    }
    if (on_stack(m_doc.body)) return;
    if (on_stack(m_doc.html)) {
      while (top() != m_doc.html) --m_depth;
    } else {
      m_stack[0] = m_doc.html;
      m_depth = 1;
    }
    push(m_doc.body);
  }

  // ---- Text ----

  void flush_pending_text() {
    if (m_pending.empty() || m_error) return;
    Node* target = top();
    if (!target || target == m_doc.root || target == m_doc.html || target == m_doc.head) {
      // Whitespace between the structural tags is dropped; other text belongs in body.
      std::string_view text = m_pending.view();
      bool blank = true;
      for (char c : text) blank = blank && is_space(c);
      if (blank) {
        m_pending.clear();
        return;
      }
      ensure_body();
      if (m_error) return;
      target = m_doc.body;
    }
    append_text(*target, m_pending.view());
    m_pending.clear();
  }

  void append_text(Node& parent, std::string_view text) {
    Node* node = create_text_node(m_doc, text);
    if (!node) {
      m_error = true;
      return;
    }
    link_child(parent, *node, nullptr);
  }

  // ---- Tags ----

  void read_start_tag() {
    std::string_view name = read_tag_name();
    char lower[kMaxKnownName];
    TagId id = TagId::kUnknown;
    if (name.size() <= kMaxKnownName) {
      for (std::size_t i = 0; i < name.size(); ++i) lower[i] = ascii_lower(name[i]);
      id = find_known_tag(std::string_view(lower, name.size()));
    }
    std::uint8_t classes = tag_class(id);
    flush_pending_text();
    if (m_error) return;

    if (id == TagId::kHtml) {
      ensure_html();
      if (!m_error) read_attributes(m_doc.html);
      return;
    }
    if (id == TagId::kHead) {
      ensure_head();
      if (m_error) return;
      read_attributes(m_doc.head);
      if (!on_stack(m_doc.head)) push(m_doc.head);
      return;
    }
    if (id == TagId::kBody) {
      ensure_body();
      if (!m_error) read_attributes(m_doc.body);
      return;
    }

    if (top() && top() == m_doc.head && !(classes & kTagInHead)) --m_depth;
    Node* parent = top();
    if (!parent || parent == m_doc.root || parent == m_doc.html) {
      if (classes & kTagInHead) {
        ensure_head();
        parent = m_doc.head;
      } else {
        ensure_body();
        parent = m_doc.body;
      }
      if (m_error) return;
    }
    Node* element = make_element(name);
    if (!element) return;
    bool self_closed = read_attributes(element);
    link_child(*parent, *element, nullptr);
    if (m_error) return;
    if ((classes & kTagVoid) || self_closed) return;
    if (classes & (kTagRawText | kTagEscapableRaw)) {
      read_raw_text(*element, std::string_view(lower, name.size()), classes & kTagEscapableRaw);
      return;
    }
    push(element);  // beyond the stack's depth it stays a leaf: what follows goes to its parent
  }

  // Reads attributes up to and including the closing `>`. True when the tag closed
  // itself with "/>".
  bool read_attributes(Node* element) {
    for (;;) {
      while (m_pos < m_length && is_space(m_in[m_pos])) ++m_pos;
      if (m_pos >= m_length) return false;
      char c = m_in[m_pos];
      if (c == '>') {
        ++m_pos;
        return false;
      }
      if (c == '/') {
        ++m_pos;
        if (m_pos < m_length && m_in[m_pos] == '>') {
          ++m_pos;
          return true;
        }
        continue;
      }
      std::size_t name_start = m_pos;
      while (m_pos < m_length && !is_space(m_in[m_pos]) && m_in[m_pos] != '/' &&
             m_in[m_pos] != '=' && m_in[m_pos] != '>')
        ++m_pos;
      std::string_view name(m_in + name_start, m_pos - name_start);
      if (name.empty()) {  // a stray `=`
        ++m_pos;
        continue;
      }
      while (m_pos < m_length && is_space(m_in[m_pos])) ++m_pos;
      m_value.clear();
      if (m_pos < m_length && m_in[m_pos] == '=') {
        ++m_pos;
        while (m_pos < m_length && is_space(m_in[m_pos])) ++m_pos;
        if (m_pos < m_length && (m_in[m_pos] == '"' || m_in[m_pos] == '\'')) {
          char quote = m_in[m_pos++];
          const void* close = std::memchr(m_in + m_pos, quote, m_length - m_pos);
          std::size_t end =
              close ? static_cast<std::size_t>(static_cast<const char*>(close) - m_in) : m_length;
          append_decoded(m_value, m_in + m_pos, m_in + end);
          m_pos = close ? end + 1 : m_length;
        } else {
          std::size_t start = m_pos;
          while (m_pos < m_length && !is_space(m_in[m_pos]) && m_in[m_pos] != '>') ++m_pos;
          append_decoded(m_value, m_in + start, m_in + m_pos);
        }
      }
      if (m_error) return false;
      if (set_attribute_named(*element, name, m_value.view(), Marking::kQuiet) != kOk) {
        m_error = true;
        return false;
      }
    }
  }

  void read_end_tag() {
    std::string_view name = read_tag_name();
    skip_past_gt();
    flush_pending_text();
    if (m_error) return;
    Atom tag = m_doc.atoms.lookup_lower(name);
    if (!tag) return;
    for (int i = m_depth - 1; i >= 0; --i) {
      if (m_stack[i]->tag == tag) {
        m_depth = i;
        return;
      }
    }
  }

  // The text of a raw-text element runs to "</" + its name followed by whitespace, `>`
  // or the end of the input; other end tags inside it are text.
  void read_raw_text(Node& element, std::string_view lower_name, bool decode) {
    std::size_t end = m_length;
    for (std::size_t at = m_pos; (at = find("</", at)) != kNotFound; at += 2) {
      std::size_t after = at + 2 + lower_name.size();
      if (after > m_length) break;
      bool same = true;
      for (std::size_t i = 0; i < lower_name.size() && same; ++i)
        same = ascii_lower(m_in[at + 2 + i]) == lower_name[i];
      if (same && (after == m_length || is_space(m_in[after]) || m_in[after] == '>')) {
        end = at;
        break;
      }
    }
    if (decode) {
      append_decoded(m_pending, m_in + m_pos, m_in + end);
    } else if (!m_pending.append(m_in + m_pos, end - m_pos)) {
      m_error = true;
    }
    if (!m_error && !m_pending.empty()) append_text(element, m_pending.view());
    m_pending.clear();
    m_pos = end;
    if (m_pos < m_length) skip_past_gt();
  }

  Document& m_doc;
  const char* m_in;
  std::size_t m_length;
  std::size_t m_pos = 0;
  Node* m_stack[kMaxOpenElements] = {};
  int m_depth = 0;
  ByteBuffer m_pending;
  ByteBuffer m_value;  // the attribute value being read
  bool m_error = false;
};

}  // namespace

Status parse_html(Document& document, const char* text, std::size_t length) {
  Parser parser(document, text ? text : "", text ? length : 0);
  return parser.run();
}

}  // namespace orlan

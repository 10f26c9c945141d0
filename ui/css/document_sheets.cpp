// Wiring of the CSS stage into the document: sheet creation and destruction hooks,
// load_css, and the sheet facts the tree reads to skip restyles.

#include "document_sheets.h"

#include <new>

#include "document.h"
#include "last_error.h"
#include "orlan/orlan.h"
#include "user_agent_sheet.h"
#include "view.h"

namespace orlan {

namespace css {

namespace {

// Names interned into the document's own table; a full table is out of memory.
class DocumentAtoms final : public AtomInterner {
 public:
  explicit DocumentAtoms(AtomTable& table) : m_table(table) {}
  uint32_t intern(std::string_view text) override {
    Atom atom = 0;
    if (!m_table.intern(text, atom)) throw std::bad_alloc();
    return atom;
  }
  uint32_t intern_lower(std::string_view text) override {
    Atom atom = 0;
    if (!m_table.intern_lower(text, atom)) throw std::bad_alloc();
    return atom;
  }

 private:
  AtomTable& m_table;
};

struct DocumentSheets {
  explicit DocumentSheets(AtomTable& table)
      : atoms(table), user_agent(atoms), author(atoms), scratch(atoms) {}
  DocumentAtoms atoms;
  StyleSheet user_agent;
  StyleSheet author;
  StyleSheet scratch;
};

FontFaceLoader g_font_loader = nullptr;

DocumentSheets* sheets_of(Document& d) {
  return static_cast<DocumentSheets*>(d.sheets.context);
}

// What the tree needs to know: structural and :has() selectors of the author sheet, and
// the "data-" attribute names either sheet names.
void update_facts(Document& d, DocumentSheets& s) {
  StyleSheetSlots& slots = d.sheets;
  slots.structural_selectors = s.author.has_structural_selectors();
  slots.has_selectors = s.author.has_has_selectors();
  slots.data_attribute_count = 0;
  slots.all_data_attributes = false;
  for (const StyleSheet* sheet : {&s.user_agent, &s.author}) {
    if (sheet->data_attribute_count() == kDataAttributesOverflow) {
      slots.all_data_attributes = true;
      continue;
    }
    for (uint32_t name : sheet->data_attributes()) {
      bool known = false;
      for (int i = 0; i < slots.data_attribute_count; ++i)
        known |= slots.data_attributes[i] == name;
      if (known) continue;
      if (slots.data_attribute_count == StyleSheetSlots::kMaxDataAttributes) {
        slots.all_data_attributes = true;
        continue;
      }
      slots.data_attributes[slots.data_attribute_count++] = name;
    }
  }
}

bool create_sheets(Document& d) {
  DocumentSheets* s = nullptr;
  try {
    s = new DocumentSheets(d.atoms);
  } catch (const std::bad_alloc&) {
    return false;
  }
  d.sheets.context = s;
  d.sheets.user_agent = &s->user_agent;
  d.sheets.author = &s->author;
  d.sheets.scratch = &s->scratch;
  if (parse_stylesheet(s->user_agent, user_agent_sheet_text()) != kStatusOk) return false;
  update_facts(d, *s);
  return true;
}

void destroy_sheets(Document& d) {
  delete sheets_of(d);
  d.sheets.context = nullptr;
  d.sheets.user_agent = d.sheets.author = d.sheets.scratch = nullptr;
}

const StyleSheetHooks kHooks = {&create_sheets, &destroy_sheets};

// Installed before main, so that every document gets its sheets.
[[maybe_unused]] const bool g_installed = (install_document_sheets(), true);

}  // namespace

void install_document_sheets() noexcept {
  set_style_sheet_hooks(&kHooks);
}

AtomInterner* document_atoms(Document& document) noexcept {
  DocumentSheets* s = sheets_of(document);
  return s ? &s->atoms : nullptr;
}

void set_font_face_loader(FontFaceLoader loader) noexcept {
  g_font_loader = loader;
}

}  // namespace css

Status load_css(View* view, const char* text, std::size_t length) {
  if (!view || (!text && length > 0)) {
    set_last_error("load_css: bad argument");
    return kBadArgument;
  }
  Document& d = *view->document;
  css::DocumentSheets* s = css::sheets_of(d);
  if (!s) {
    // A document made before the hooks were installed gets its sheets now.
    if (!css::create_sheets(d)) {
      css::destroy_sheets(d);
      set_last_error("%s", css::kOutOfMemoryMessage);
      return kOutOfMemory;
    }
    s = css::sheets_of(d);
  }
  std::string_view css_text(text ? text : "", text ? length : 0);
  Status status = css::parse_stylesheet(s->author, css_text);
  if (status != css::kStatusOk) set_last_error("%s", css::kOutOfMemoryMessage);
  css::update_facts(d, *s);
  if (css::g_font_loader) {
    for (const css::FontFace& face : s->author.font_faces()) {
      css::g_font_loader(d, d.atoms.text(face.family), d.atoms.text(face.source));
    }
  }
  if (d.root) mark_dirty(*d.root, kDirtyStyle);
  return status;
}

}  // namespace orlan

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
      : atoms(table),
        user_agent(atoms),
        authors{StyleSheet(atoms), StyleSheet(atoms)},
        scratch(atoms) {}
  DocumentAtoms atoms;
  StyleSheet user_agent;
  // The current author sheet and the one it replaced; `retired` is set while styles may
  // still point into the replaced one.
  StyleSheet authors[2];
  StyleSheet* author = &authors[0];
  StyleSheet* retired = nullptr;
  StyleSheet scratch;
  RestyleFacts facts;
};

FontFaceLoader g_font_loader = nullptr;

DocumentSheets* sheets_of(Document& d) {
  return static_cast<DocumentSheets*>(d.sheets.context);
}

// What the tree needs to know: structural and :has() selectors of the author sheet, and
// the "data-" attribute names either sheet names.
void update_facts(Document& d, DocumentSheets& s) {
  StyleSheetSlots& slots = d.sheets;
  slots.structural_selectors = s.author->has_structural_selectors();
  slots.has_selectors = s.author->has_has_selectors();
  slots.data_attribute_count = 0;
  slots.all_data_attributes = false;
  const StyleSheet* both[] = {&s.user_agent, s.author};
  try {
    s.facts.build(both);
  } catch (const std::bad_alloc&) {
    // Without facts every change restyles only its element; better than nothing.
  }
  for (const StyleSheet* sheet : both) {
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
  d.sheets.author = s->author;
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

}  // namespace

bool create_document_sheets(Document& document) noexcept {
  return create_sheets(document);
}

void destroy_document_sheets(Document& document) noexcept {
  destroy_sheets(document);
}

void install_document_sheets() noexcept {
  set_style_sheet_hooks(nullptr);
}

const RestyleFacts* restyle_facts(const Document& document) noexcept {
  auto* s = static_cast<const DocumentSheets*>(document.sheets.context);
  return s ? &s->facts : nullptr;
}

void release_retired_author_sheet(Document& document) noexcept {
  DocumentSheets* s = sheets_of(document);
  if (!s || !s->retired) return;
  s->retired->reset();
  s->retired = nullptr;
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
  // The sheet in use stays as it is until the next style pass has replaced every style
  // that points into it; the new text goes into the other one. A second load before that
  // pass (or one into a sheet that holds nothing) parses over the sheet no style uses.
  if (!s->retired && s->author->arena().used() > 0) {
    s->retired = s->author;
    s->author = s->author == &s->authors[0] ? &s->authors[1] : &s->authors[0];
    d.sheets.author = s->author;
  }
  ++d.sheets.author_generation;
  Status status = css::parse_stylesheet(*s->author, css_text);
  if (status != css::kStatusOk) set_last_error("%s", css::kOutOfMemoryMessage);
  css::update_facts(d, *s);
  if (css::g_font_loader) {
    for (const css::FontFace& face : s->author->font_faces()) {
      css::g_font_loader(d, d.atoms.text(face.family), d.atoms.text(face.source));
    }
  }
  if (d.root) mark_dirty(*d.root, kDirtyStyle);
  return status;
}

}  // namespace orlan

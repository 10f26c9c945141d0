// Tables: the slot matrix of rows and columns with their spans, column widths by the
// auto or fixed algorithm, row heights, and the boxes of caption, row groups, rows and
// cells.

#include <algorithm>
#include <cstring>

#include "container_layouts.h"
#include "memory.h"

namespace orlan {

namespace {

constexpr int kMaxColumns = 64;

struct TableCell {
  Node* node;
  int row, column, rowspan, colspan;
  float min, max;
  float width, height;
  bool fresh;  // laid out in this run, not restored from its cache
};

struct TableColumn {
  float min, max, percent, fixed, width, x;
};

// How a row takes part in this layout. A long fixed-layout table lays out only the rows
// that changed (and those beside them); the rows beside those are in the model for their
// cells' borders only, and the rest are placed from their summaries.
enum class RowUse : std::uint8_t { kLaidOut, kContext, kReused };

struct TableRow {
  Node* row;
  Node* group;
  float height, y;
  RowUse use;
  int first_cell, cell_end;  // its cells in the model (none for a reused row)
  // A copy of its box's summary when that still describes it (`unchanged`): the passes
  // over a long table read the model, not every row's box again.
  bool unchanged;
  TableRowSummary summary;
};

// An integer attribute: -1 when absent or not a number, else its value (limited). A name
// no document text ever used has atom 0.
int integer_attribute(const Node& element, Atom atom) {
  if (!atom) return -1;
  const Attribute* a = find_attribute(element, atom);
  if (!a || !a->value) return -1;
  std::uint32_t i = 0;
  while (i < a->length && (a->value[i] == ' ' || a->value[i] == '\t' || a->value[i] == '\n')) ++i;
  bool negative = false;
  if (i < a->length && (a->value[i] == '-' || a->value[i] == '+')) negative = a->value[i++] == '-';
  if (i >= a->length || a->value[i] < '0' || a->value[i] > '9') return -1;
  int v = 0;
  for (; i < a->length && a->value[i] >= '0' && a->value[i] <= '9'; ++i)
    v = std::min(v * 10 + (a->value[i] - '0'), 1 << 20);
  return negative ? -1 : v;
}

bool is_in_flow_element(const Node& c) {
  return c.is_element() && is_rendered(c) && !is_out_of_flow_positioned(*c.style);
}

bool is_row(const Node& c) {
  return is_in_flow_element(c) && c.style->display == Display::kTableRow;
}

// Children the table model leaves out (neither rows, row groups nor the caption, such as
// a row that stopped being one) lose the boxes of their earlier layouts.
void drop_ignored_children(Node& table, const Node* caption) {
  // Out-of-flow children keep theirs: their containing block lays them out.
  auto drop = [](Node& c) {
    if (c.box && c.is_element() && (!is_rendered(c) || !is_out_of_flow_positioned(*c.style)))
      release_subtree_boxes(c);
  };
  for (Node* c = table.first_child; c; c = c->next_sibling) {
    if (!c->is_element() || is_row(*c) || c == caption) continue;
    if (is_in_flow_element(*c) && c->style->display == Display::kTableRowGroup) {
      bool rows = false;
      for (Node* r = c->first_child; r; r = r->next_sibling) {
        if (r->is_element() && !is_row(*r)) drop(*r);
        rows |= is_row(*r);
      }
      if (!rows) drop(*c);  // a group gets its box from its rows
      continue;
    }
    drop(*c);
  }
}

// The table's model, built in the arena.
struct TableModel {
  TableRow* rows = nullptr;
  int row_count = 0;
  TableCell* cells = nullptr;
  int cell_count = 0;
  TableColumn columns[kMaxColumns] = {};
  Node* column_elements[kMaxColumns] = {};  // the `col` (or `colgroup`) of each column
  int column_count = 0;
  Node* caption = nullptr;
  float hs = 0, vs = 0;  // horizontal and vertical spacing
};

template <typename F>
void for_each_row(Node& table, F&& f) {
  for (Node* c = table.first_child; c; c = c->next_sibling) {
    if (is_row(*c)) {
      f(*c, nullptr);
    } else if (is_in_flow_element(*c) && c->style->display == Display::kTableRowGroup) {
      for (Node* r = c->first_child; r; r = r->next_sibling)
        if (is_row(*r)) f(*r, c);
    }
  }
}

// Cells past the last column are left out of the model (they are each row's last
// children), and so are cells no longer rendered: they lose the boxes of earlier layouts.
// Rows the layout does not visit keep what they had.
void drop_cells_left_out(TableModel& m) {
  for (int ri = 0; ri < m.row_count; ++ri) {
    const TableRow& row = m.rows[ri];
    if (row.use != RowUse::kLaidOut) continue;
    int k = row.first_cell;
    for (Node* c = row.row->first_child; c; c = c->next_sibling) {
      if (!c->is_element()) continue;
      if (!is_rendered(*c)) {
        if (c->box) release_subtree_boxes(*c);
        continue;
      }
      if (is_out_of_flow_positioned(*c->style)) continue;
      if (k < row.cell_end && m.cells[k].node == c) {
        ++k;
        continue;
      }
      if (c->box) release_subtree_boxes(*c);
    }
  }
}

// A 64-bit hash of 64-bit values: the keys that say whether a row's surroundings are as
// they were.
class KeyHash {
 public:
  void mix(std::uint64_t v) {
    m_h = (m_h ^ v) * 0x9E3779B97F4A7C15ull;
    m_h ^= m_h >> 29;
  }
  void mix(float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    mix(std::uint64_t{b});
  }
  void mix(const void* p) { mix(static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p))); }
  // What of a style takes part in the collapsed borders of the cells around it.
  void mix_borders(const ComputedStyle* style) {
    if (!style) {
      mix(std::uint64_t{0});
      return;
    }
    mix(std::uint64_t{style->border_style} + 1);
    for (int side = 0; side < 4; ++side) {
      mix(style->border_width[side]);
      mix(std::uint64_t{style->border_color[side]});
    }
  }
  std::uint64_t value() const { return m_h ? m_h : 1; }

 private:
  std::uint64_t m_h = 14695981039346656037ull;
};

// A row's own borders, its group and the group's borders (style records are compared by
// what they hold: a restyle that changes nothing still makes new ones).
std::uint64_t row_borders_key(const TableRow& r) {
  KeyHash h;
  h.mix_borders(r.row->style);
  h.mix(static_cast<const void*>(r.group));
  h.mix_borders(r.group ? r.group->style : nullptr);
  return h.value();
}

// Whether a row's last layout by its table still describes it: nothing in or on it
// changed and its group is the one, with the borders, it had then.
bool row_unchanged(const TableRow& r) {
  const Node& row = *r.row;
  if (row.dirty & (kDirtyStyle | kDirtyLayout | kDirtyDescendant)) return false;
  if (!row.box) return false;
  const TableRowSummary& s = row.box->row_summary;
  return s.columns_key != 0 && s.group == r.group && s.borders_key == row_borders_key(r);
}

// Marks which rows are laid out, which stand beside them for their borders and which are
// placed from their summaries. The first row is always laid out: a fixed-layout table
// takes its column widths from it.
void choose_rows_to_lay_out(TableModel& m) {
  const int n = m.row_count;
  auto unchanged = [&](int i) { return i < 0 || i >= n || m.rows[i].unchanged; };
  auto summary = [&](int i) -> const TableRowSummary& { return m.rows[i].summary; };
  for (int i = 0; i < n; ++i) {
    const bool reusable = i > 0 && unchanged(i) && unchanged(i - 1) && unchanged(i + 1) &&
                          summary(i).previous_row == (i > 0 ? m.rows[i - 1].row : nullptr) &&
                          summary(i).next_row == (i + 1 < n ? m.rows[i + 1].row : nullptr);
    m.rows[i].use = reusable ? RowUse::kReused : RowUse::kLaidOut;
  }
  for (int i = 0; i < n; ++i) {
    if (m.rows[i].use != RowUse::kReused) continue;
    if ((i > 0 && m.rows[i - 1].use == RowUse::kLaidOut) ||
        (i + 1 < n && m.rows[i + 1].use == RowUse::kLaidOut))
      m.rows[i].use = RowUse::kContext;
  }
}

enum class ModelBuild { kDone, kOutOfMemory, kNeedsEveryRow };

// Rows, cells and their slots. With `reuse`, only the cells of rows that are laid out or
// stand beside them are taken; a spanning cell among them needs the whole model.
ModelBuild build_model(LayoutContext& ctx, Node& table, TableModel& m, bool reuse) {
  const ComputedStyle& s = *table.style;
  if (!s.border_collapse) {
    m.hs = std::max(0.0f, sane(resolve(s.border_spacing_x, -1, 0)));
    m.vs = std::max(0.0f, sane(resolve(s.border_spacing_y, -1, 0)));
  }
  for (Node* c = table.first_child; c; c = c->next_sibling) {
    if (is_in_flow_element(*c) && c->style->display == Display::kTableCaption) {
      m.caption = c;
      break;
    }
  }
  // One walk over the rows, into an array sized by the last layout's count and grown when
  // it runs out.
  int capacity = (table.box ? static_cast<int>(table.box->table_row_hint) : 0) + 16;
  m.rows = ctx.arena->allocate_array_uninitialized<TableRow>(static_cast<std::size_t>(capacity));
  if (!m.rows) return ModelBuild::kOutOfMemory;
  bool out_of_memory = false;
  for_each_row(table, [&](Node& r, Node* group) {
    if (out_of_memory) return;
    if (m.row_count == capacity) {
      auto* grown =
          ctx.arena->allocate_array_uninitialized<TableRow>(2 * static_cast<std::size_t>(capacity));
      if (!grown) {
        out_of_memory = true;
        return;
      }
      std::memcpy(static_cast<void*>(grown), m.rows,
                  sizeof(TableRow) * static_cast<std::size_t>(capacity));
      m.rows = grown;
      capacity *= 2;
    }
    TableRow& row = m.rows[m.row_count++];
    row = TableRow{&r, group, 0, 0, RowUse::kLaidOut, 0, 0, false, {}};
    if (reuse && row_unchanged(row)) {
      row.unchanged = true;
      row.summary = r.box->row_summary;
    }
  });
  if (out_of_memory) return ModelBuild::kOutOfMemory;
  const int rows = m.row_count;
  if (table.box) table.box->table_row_hint = static_cast<std::uint32_t>(rows);
  if (!rows) return ModelBuild::kDone;
  if (reuse) choose_rows_to_lay_out(m);
  int cells = 0;
  for (int ri = 0; ri < m.row_count; ++ri) {
    if (m.rows[ri].use == RowUse::kReused) {
      m.column_count = std::max(m.column_count, int{m.rows[ri].summary.column_end});
      continue;
    }
    for (Node* c = m.rows[ri].row->first_child; c; c = c->next_sibling)
      cells += is_in_flow_element(*c);
  }
  m.cells = cells ? ctx.arena->allocate_array<TableCell>(static_cast<std::size_t>(cells)) : nullptr;
  auto* slots = ctx.arena->allocate_array<std::uint64_t>(static_cast<std::size_t>(rows));
  if ((cells && !m.cells) || !slots) return ModelBuild::kOutOfMemory;

  // Each cell takes the next column free of row-spanning cells from above.
  const AtomTable& atoms = table.document->atoms;
  const Atom colspan_name = atoms.lookup("colspan"), rowspan_name = atoms.lookup("rowspan");
  for (int ri = 0; ri < m.row_count; ++ri) {
    m.rows[ri].first_cell = m.rows[ri].cell_end = m.cell_count;
    if (m.rows[ri].use == RowUse::kReused) continue;
    int column = 0;
    for (Node* c = m.rows[ri].row->first_child; c; c = c->next_sibling) {
      if (!is_in_flow_element(*c)) continue;
      while (column < kMaxColumns && (slots[ri] >> column & 1)) ++column;
      if (column >= kMaxColumns) break;  // beyond the last column: dropped
      const int colspan_value = integer_attribute(*c, colspan_name);
      const int rowspan_value = integer_attribute(*c, rowspan_name);
      if (reuse && (colspan_value > 1 || (rowspan_value != -1 && rowspan_value != 1)))
        return ModelBuild::kNeedsEveryRow;
      int colspan = colspan_value < 1 ? 1 : colspan_value;  // absent, negative and 0: one
      colspan = std::min(colspan, kMaxColumns - column);
      int rowspan = rowspan_value == -1 ? 1 : rowspan_value;
      if (rowspan < 1 || rowspan > m.row_count - ri) rowspan = m.row_count - ri;
      TableCell& cell = m.cells[m.cell_count++];
      cell = TableCell{c, ri, column, rowspan, colspan, 0, 0, 0, 0, false};
      const std::uint64_t bits =
          colspan >= 64 ? ~std::uint64_t{0} : ((std::uint64_t{1} << colspan) - 1) << column;
      for (int k = ri; k < ri + rowspan; ++k) slots[k] |= bits;
      column += colspan;
    }
    m.rows[ri].cell_end = m.cell_count;
  }
  // Columns are those a cell starts in; spans reaching further are cut to them.
  for (int i = 0; i < m.cell_count; ++i)
    m.column_count = std::max(m.column_count, m.cells[i].column + 1);
  return ModelBuild::kDone;
}

// Whether the table may lay out only the rows that changed: a fixed-layout table whose
// earlier results are trusted.
bool may_reuse_rows(const LayoutContext& ctx, const Node& table) {
  const ComputedStyle& s = *table.style;
  return s.table_layout_fixed && !s.width.is_auto() && !ctx.ignore_older_caches;
}

// The model, with only the changed rows' cells when the table allows it. False when out
// of memory.
bool build_table_model(LayoutContext& ctx, Node& table, TableModel*& m, bool reuse) {
  m = ctx.arena->allocate_array<TableModel>(1);
  if (!m) return false;
  ModelBuild built = build_model(ctx, table, *m, reuse);
  if (built == ModelBuild::kNeedsEveryRow) {
    m = ctx.arena->allocate_array<TableModel>(1);
    if (!m) return false;
    built = build_model(ctx, table, *m, false);
  }
  return built == ModelBuild::kDone;
}

// Everything the cells of a row were laid out against: the columns, the table's and the
// columns' styles. Rows laid out at other columns are laid out again.
std::uint64_t columns_key(const Node& table, const TableModel& m) {
  KeyHash h;
  h.mix(static_cast<std::uint64_t>(m.column_count));
  h.mix(m.hs);
  h.mix(m.vs);
  h.mix(std::uint64_t{table.style->border_collapse});
  h.mix_borders(table.style);
  for (int k = 0; k < m.column_count; ++k) {
    h.mix(m.columns[k].width);
    h.mix(m.columns[k].x);
    const Node* col = m.column_elements[k];
    h.mix(static_cast<const void*>(col));
    h.mix_borders(col ? col->style : nullptr);
  }
  return h.value();
}

// `col` and `colgroup` widths: px fixed, percent, other units against the table width.
void apply_column_elements(Node& table, TableModel& m, float table_width) {
  int column = 0;
  auto take = [&](Node& col, int span) {
    const StyleLength w = col.style->width;
    for (int k = 0; k < span && column < kMaxColumns; ++k, ++column) {
      m.column_elements[column] = &col;
      TableColumn& c = m.columns[column];
      if (w.is_px()) {
        c.fixed = std::max(c.fixed, std::max(0.0f, sane(w.value)));
      } else if (w.is_percent()) {
        c.percent = std::max(c.percent, std::max(0.0f, sane(w.value)));
      } else if (!w.is_auto() && table_width >= 0) {
        c.fixed = std::max(c.fixed, std::max(0.0f, sane(resolve(w, table_width, 0))));
      }
    }
  };
  auto span_of = [](const Node& e) {
    int span = integer_attribute(e, e.document->atoms.lookup("span"));
    return std::clamp(span < 1 ? 1 : span, 1, kMaxColumns);
  };
  for (Node* c = table.first_child; c && column < kMaxColumns; c = c->next_sibling) {
    if (!c->is_element() || !c->style || c->style->display != Display::kTableColumn) continue;
    bool has_cols = false;
    for (Node* k = c->first_child; k && column < kMaxColumns; k = k->next_sibling) {
      if (k->is_element() && k->style && k->style->display == Display::kTableColumn) {
        take(*k, span_of(*k));
        has_cols = true;
      }
    }
    if (!has_cols) take(*c, span_of(*c));
  }
  m.column_count = std::max(m.column_count, column);
}

// Horizontal padding and border of a cell (its collapsed borders when it has them).
float cell_edges(const Node& cell) {
  const ComputedStyle& cs = *cell.style;
  const CollapsedBorders* collapsed = cell_collapsed_borders(cell);
  float e = 0;
  for (int side : {kLeft, kRight})
    e += std::max(0.0f, sane(resolve(cs.padding[side], -1, 0))) +
         (collapsed ? collapsed->widths[side] : std::max(0.0f, sane(cs.border_width[side])));
  return e;
}

// ---- Collapsed borders ----

// One candidate for a border segment.
struct BorderCandidate {
  float width = 0;
  std::uint32_t color = 0;
  Keyword style = css::kw::None;
  int origin = -1;  // 4 cell, 3 row, 2 row group, 1 column, 0 table
};

int style_rank(Keyword k) {
  switch (k) {
    case css::kw::None:
      return 0;
    case css::kw::Double:
      return 5;
    case css::kw::Solid:
      return 4;
    case css::kw::Dashed:
      return 3;
    case css::kw::Dotted:
      return 2;
    default:
      return 1;
  }
}

// The wider border wins; between equal widths the stronger style, then the element
// nearer the cell (cell, row, row group, column, table). A full tie keeps the earlier
// candidate, which is the cell above or to the left.
// A border of no width never shows, and whichever candidate wins a segment of no width,
// the segment stays empty: such a candidate changes nothing and is passed over.
void consider(BorderCandidate& best, const Node* element, int side, int origin) {
  if (!element || !element->style) return;
  const ComputedStyle& st = *element->style;
  if (st.border_style == css::kw::None) return;
  BorderCandidate c;
  c.style = st.border_style;
  c.width = std::max(0.0f, sane(st.border_width[side]));
  if (c.width == 0) return;
  c.color = st.border_color[side];
  c.origin = origin;
  bool wins;
  if (c.width != best.width)
    wins = c.width > best.width;
  else if (style_rank(c.style) != style_rank(best.style))
    wins = style_rank(c.style) > style_rank(best.style);
  else
    wins = c.origin > best.origin;
  if (wins) best = c;
}

// Resolves every cell's four sides against its neighbours and stores them on the cell's
// box. Each border between two cells is drawn once: by the cell above it or to its left;
// a cell draws its top and left sides only where no cell lies beyond them. A cell whose
// borders changed loses its cached layout and intrinsic widths.
void resolve_collapsed_borders(LayoutContext& ctx, Node& table, TableModel& m) {
  const int rows = m.row_count, n = m.column_count;
  if (!rows || !n || !m.cell_count) return;
  auto* slots =
      ctx.arena->allocate_array<int>(static_cast<std::size_t>(rows) * static_cast<std::size_t>(n));
  if (!slots) return;
  auto slot = [&](int r, int c) -> TableCell* {
    if (r < 0 || r >= rows || c < 0 || c >= n) return nullptr;
    const int i = slots[r * n + c];
    return i ? &m.cells[i - 1] : nullptr;
  };
  for (int i = 0; i < m.cell_count; ++i) {
    TableCell& cell = m.cells[i];
    cell.colspan = std::min(cell.colspan, n - cell.column);
    for (int r = cell.row; r < cell.row + cell.rowspan; ++r)
      for (int c = cell.column; c < cell.column + cell.colspan; ++c) slots[r * n + c] = i + 1;
  }
  auto group_of = [&](int r) -> Node* { return m.rows[r].group; };
  for (int i = 0; i < m.cell_count; ++i) {
    TableCell& cell = m.cells[i];
    // The cells of rows beside the laid-out ones are there as neighbours: theirs stay.
    if (m.rows[cell.row].use != RowUse::kLaidOut) continue;
    const int r0 = cell.row, r1 = cell.row + cell.rowspan - 1;
    const int c0 = cell.column, c1 = cell.column + cell.colspan - 1;
    BorderCandidate side[4];

    // Top: drawn only where no cell lies above.
    if (r0 == 0 || !slot(r0 - 1, c0)) {
      BorderCandidate& b = side[kTop];
      consider(b, cell.node, kTop, 4);
      for (int c = c0; c <= c1; ++c)
        if (TableCell* above = slot(r0 - 1, c)) consider(b, above->node, kBottom, 4);
      consider(b, m.rows[r0].row, kTop, 3);
      if (r0 > 0) consider(b, m.rows[r0 - 1].row, kBottom, 3);
      if (r0 == 0 || group_of(r0 - 1) != group_of(r0)) {
        consider(b, group_of(r0), kTop, 2);
        if (r0 > 0) consider(b, group_of(r0 - 1), kBottom, 2);
      }
      if (r0 == 0) {
        for (int c = c0; c <= c1; ++c) consider(b, m.column_elements[c], kTop, 1);
        consider(b, &table, kTop, 0);
      }
    }
    // Bottom.
    {
      BorderCandidate& b = side[kBottom];
      consider(b, cell.node, kBottom, 4);
      for (int c = c0; c <= c1; ++c)
        if (TableCell* below = slot(r1 + 1, c)) consider(b, below->node, kTop, 4);
      consider(b, m.rows[r1].row, kBottom, 3);
      if (r1 + 1 < rows) consider(b, m.rows[r1 + 1].row, kTop, 3);
      if (r1 + 1 == rows || group_of(r1 + 1) != group_of(r1)) {
        consider(b, group_of(r1), kBottom, 2);
        if (r1 + 1 < rows) consider(b, group_of(r1 + 1), kTop, 2);
      }
      if (r1 + 1 == rows) {
        for (int c = c0; c <= c1; ++c) consider(b, m.column_elements[c], kBottom, 1);
        consider(b, &table, kBottom, 0);
      }
    }
    // Left: drawn only where no cell lies to the left.
    if (c0 == 0 || !slot(r0, c0 - 1)) {
      BorderCandidate& b = side[kLeft];
      consider(b, cell.node, kLeft, 4);
      for (int r = r0; r <= r1; ++r)
        if (TableCell* left = slot(r, c0 - 1)) consider(b, left->node, kRight, 4);
      consider(b, m.column_elements[c0], kLeft, 1);
      if (c0 > 0) consider(b, m.column_elements[c0 - 1], kRight, 1);
      if (c0 == 0) {
        for (int r = r0; r <= r1; ++r) {
          consider(b, m.rows[r].row, kLeft, 3);
          consider(b, group_of(r), kLeft, 2);
        }
        consider(b, &table, kLeft, 0);
      }
    }
    // Right.
    {
      BorderCandidate& b = side[kRight];
      consider(b, cell.node, kRight, 4);
      for (int r = r0; r <= r1; ++r)
        if (TableCell* right = slot(r, c1 + 1)) consider(b, right->node, kLeft, 4);
      consider(b, m.column_elements[c1], kRight, 1);
      if (c1 + 1 < n) consider(b, m.column_elements[c1 + 1], kLeft, 1);
      if (c1 + 1 == n) {
        for (int r = r0; r <= r1; ++r) {
          consider(b, m.rows[r].row, kRight, 3);
          consider(b, group_of(r), kRight, 2);
        }
        consider(b, &table, kRight, 0);
      }
    }

    LayoutBox* box = ensure_box(*cell.node);
    if (!box) continue;
    if (!box->collapsed) {
      void* memory = allocate_box_buffer(*table.document, sizeof(CollapsedBorders));
      if (!memory) continue;  // out of memory: the cell keeps its own borders
      box->collapsed = new (memory) CollapsedBorders{};
      invalidate_box_caches(*box);
    }
    CollapsedBorders next;
    for (int k = 0; k < 4; ++k) {
      next.widths[k] = side[k].width;
      next.colors[k] = side[k].width > 0 ? side[k].color : 0;
      next.styles[k] =
          static_cast<std::uint8_t>(side[k].width > 0 ? side[k].style : Keyword{css::kw::None});
    }
    bool widths_changed = false;
    for (int k = 0; k < 4; ++k) widths_changed |= next.widths[k] != box->collapsed->widths[k];
    *box->collapsed = next;
    if (widths_changed) invalidate_box_caches(*box);
  }
}

// Cells of a table that stopped collapsing draw their own borders again.
void drop_collapsed_borders(TableModel& m) {
  for (int i = 0; i < m.cell_count; ++i) {
    LayoutBox* box = m.cells[i].node->box;
    if (!box || !box->collapsed) continue;
    free_box_buffer(*m.cells[i].node->document, box->collapsed, sizeof(CollapsedBorders));
    box->collapsed = nullptr;
    invalidate_box_caches(*box);
  }
}

void settle_borders(LayoutContext& ctx, Node& table, TableModel& m) {
  if (!table.style->border_collapse) {
    drop_collapsed_borders(m);
    return;
  }
  // Within one run the table's rows and cells stay what they are: its intrinsic widths
  // and each of its layouts would resolve the same borders again. That holds once every
  // cell was resolved; a model of the changed rows only resolves theirs (the table may
  // still find that it needs them all).
  LayoutBox* box = table.box;
  if (box && box->borders_generation == ctx.generation) return;
  resolve_collapsed_borders(ctx, table, m);
  bool every_row = true;
  for (int ri = 0; ri < m.row_count && every_row; ++ri)
    every_row = m.rows[ri].use == RowUse::kLaidOut;
  if (box && every_row) box->borders_generation = ctx.generation;
}

// Step one of the column widths: min, max, fixed and percent from the cells.
void measure_columns(LayoutContext& ctx, TableModel& m, bool first_row_only) {
  const int n = m.column_count;
  for (int i = 0; i < m.cell_count; ++i) {
    TableCell& cell = m.cells[i];
    cell.colspan = std::min(cell.colspan, n - cell.column);
    if (first_row_only) {
      if (cell.row != 0 || cell.colspan != 1) continue;
    } else {
      IntrinsicWidths w = intrinsic_widths(ctx, *cell.node);
      cell.min = w.min_content;
      cell.max = w.max_content;
    }
    const ComputedStyle& cs = *cell.node->style;
    if (cell.colspan == 1) {
      TableColumn& c = m.columns[cell.column];
      c.min = std::max(c.min, cell.min);
      c.max = std::max(c.max, cell.max);
      if (cs.width.is_px())
        c.fixed = std::max(c.fixed,
                           sane(cs.width.value) +
                               (cs.box_sizing != css::kw::BorderBox ? cell_edges(*cell.node) : 0));
      else if (cs.width.is_percent())
        c.percent = std::max(c.percent, std::max(0.0f, sane(cs.width.value)));
    }
  }
  if (!first_row_only) {
    // Spanning cells spread what their columns lack equally.
    for (int i = 0; i < m.cell_count; ++i) {
      const TableCell& cell = m.cells[i];
      if (cell.colspan < 2) continue;
      const float spacing = m.hs * static_cast<float>(cell.colspan - 1);
      float min_sum = spacing, max_sum = spacing;
      for (int k = cell.column; k < cell.column + cell.colspan; ++k) {
        min_sum += m.columns[k].min;
        max_sum += m.columns[k].max;
      }
      const float span = static_cast<float>(cell.colspan);
      for (int k = cell.column; k < cell.column + cell.colspan; ++k) {
        if (cell.min > min_sum) m.columns[k].min += (cell.min - min_sum) / span;
        if (cell.max > max_sum) m.columns[k].max += (cell.max - max_sum) / span;
      }
    }
  }
  for (int k = 0; k < n; ++k) {
    TableColumn& c = m.columns[k];
    if (c.fixed > 0) {
      c.fixed = std::max(c.fixed, c.min);
      c.max = c.fixed;
    }
    c.max = std::max(c.max, c.min);
  }
}

void distribute_widths(TableModel& m, float content_width, bool fixed_layout) {
  const int n = m.column_count;
  if (!n) return;
  const float w = std::max(0.0f, content_width - static_cast<float>(n + 1) * m.hs);
  float r = w;
  int autos = 0;
  float auto_min = 0, auto_max = 0, percent_sum = 0;
  for (int k = 0; k < n; ++k) {
    TableColumn& c = m.columns[k];
    if (c.percent > 0) {
      c.width = std::max(c.min, c.percent * w / 100);
      percent_sum += c.width;
    } else if (c.fixed > 0) {
      c.width = c.fixed;
    } else {
      c.width = 0;
      ++autos;
      auto_min += c.min;
      auto_max += c.max;
      continue;
    }
    r -= c.width;
  }
  auto is_auto = [](const TableColumn& c) { return !(c.percent > 0) && !(c.fixed > 0); };
  const float count = static_cast<float>(n);
  if (fixed_layout) {
    if (autos) {
      for (int k = 0; k < n; ++k)
        if (is_auto(m.columns[k])) m.columns[k].width = r > 0 ? r / static_cast<float>(autos) : 0;
    } else if (r > 0) {
      for (int k = 0; k < n; ++k) m.columns[k].width += r / count;
    }
  } else if (autos) {
    for (int k = 0; k < n; ++k) {
      TableColumn& c = m.columns[k];
      if (!is_auto(c)) continue;
      if (auto_max <= r) {
        c.width = auto_max > 0 ? c.max + c.max * (r - auto_max) / auto_max
                               : (r - auto_max) / static_cast<float>(autos) + c.max;
      } else if (auto_min <= r) {
        const float range = auto_max - auto_min;
        c.width = range > 0 ? c.min + (c.max - c.min) * (r - auto_min) / range : c.min;
      } else {
        c.width = c.min;
      }
    }
  } else if (r > 0) {
    for (int k = 0; k < n; ++k) {
      TableColumn& c = m.columns[k];
      if (percent_sum > 0) {
        if (c.percent > 0) c.width += r * c.width / percent_sum;
      } else {
        c.width += r / count;
      }
    }
  }
  float x = m.hs;
  for (int k = 0; k < n; ++k) {
    m.columns[k].width = std::max(0.0f, sane(m.columns[k].width));
    m.columns[k].x = x;
    x += m.columns[k].width + m.hs;
  }
}

float span_width(const TableModel& m, const TableCell& cell) {
  float w = m.hs * static_cast<float>(cell.colspan - 1);
  for (int k = cell.column; k < cell.column + cell.colspan; ++k) w += m.columns[k].width;
  return w;
}

// A row or row group is only the area of its cells: no edges, no lines of its own, and
// nothing cached from a time it was laid out as a box of its own.
void reset_edges(LayoutBox& b) {
  for (int i = 0; i < 4; ++i) b.margin[i] = b.border[i] = b.padding[i] = 0;
  b.scrollbar_gutter = 0;
  b.baseline = -1;
  clear_inline_results(b);
  b.text_line_count = 0;
  invalidate_box_caches(b);
}

}  // namespace

void shift_cell_content(Node& cell, LayoutBox& b, float dy) noexcept {
  if (dy == 0) return;
  for (Node* c = cell.first_child; c; c = c->next_sibling)
    if (c->box && c->is_element() && c->style && !is_out_of_flow_positioned(*c->style))
      c->box->y += dy;
  for (std::uint32_t i = 0; i < b.line_count; ++i) b.lines[i].y += dy;
  for (std::uint32_t i = 0; i < b.run_count; ++i) b.runs[i].y += dy;
}

bool is_cell_of_table(const Node& cell) noexcept {
  // The table model's rule: every in-flow element of a row is a cell, whatever its display.
  if (!cell.style || !is_in_flow_element(cell)) return false;
  const Node* row = cell.parent;
  if (!row || !row->style || !is_row(*row)) return false;
  const Node* up = row->parent;
  if (up && up->style && up->style->display == Display::kTableRowGroup) {
    if (!is_in_flow_element(*up)) return false;
    up = up->parent;
  }
  return up && up->style &&
         (up->style->display == Display::kTable || up->style->display == Display::kInlineTable);
}

namespace {

// A cell is laid out with what its layout takes from the arena given back at once: a cell
// keeps its own floats, and a long table would otherwise hold every cell's scratch memory
// until its layout ends.
LayoutBox* lay_out_cell(LayoutContext& ctx, Node& cell, float width, float height) {
  ArenaScope scratch(*ctx.arena);
  return layout_box(ctx, cell, width, -1, width, height);
}

// One attempt at the table's layout; false when rows it meant to place from their
// summaries must be laid out after all (the columns or their heights changed).
bool lay_out_table(LayoutContext& ctx, Node& node, LayoutBox& box,
                   const ContainerLayoutInput& input, bool reuse, float& content_height) {
  content_height = 0;
  const ComputedStyle& s = *node.style;
  const float cw = input.content_width;
  const float ox = box.border[kLeft] + box.padding[kLeft];
  const float oy = box.border[kTop] + box.padding[kTop];
  TableModel* m = nullptr;
  if (!build_table_model(ctx, node, m, reuse)) return true;  // out of memory: empty
  drop_ignored_children(node, m->caption);
  drop_cells_left_out(*m);
  // Out-of-flow children stand where the table's content starts; those of its rows, row
  // groups and the rows in those at their parent's origin. (A cell that became one keeps
  // its vertical-align shift in static_y until it gets its static position here.) A row
  // with nothing changed in it keeps the places it gave them.
  auto at_origin = [reuse](Node& parent) {
    if (reuse && !(parent.dirty & (kDirtyStyle | kDirtyLayout | kDirtyDescendant))) return;
    for (Node* k = parent.first_child; k; k = k->next_sibling)
      if (k->is_element() && is_rendered(*k) && is_out_of_flow_positioned(*k->style))
        set_static_position(*k, 0, 0);
  };
  for (Node* c = node.first_child; c; c = c->next_sibling) {
    if (!c->is_element() || !is_rendered(*c)) continue;
    if (is_out_of_flow_positioned(*c->style)) {
      set_static_position(*c, ox, oy);
    } else if (c->style->display == Display::kTableRow) {
      at_origin(*c);
    } else if (c->style->display == Display::kTableRowGroup) {
      at_origin(*c);
      for (Node* r = c->first_child; r; r = r->next_sibling)
        if (r->is_element() && is_rendered(*r) && r->style->display == Display::kTableRow)
          at_origin(*r);
    }
  }
  apply_column_elements(node, *m, cw);
  settle_borders(ctx, node, *m);
  const bool fixed_layout = s.table_layout_fixed && !s.width.is_auto();
  measure_columns(ctx, *m, fixed_layout);
  distribute_widths(*m, cw, fixed_layout);
  const int n = m->column_count;
  const std::uint64_t key = columns_key(node, *m);
  for (int ri = 0; ri < m->row_count; ++ri)
    if (m->rows[ri].use != RowUse::kLaidOut && m->rows[ri].summary.columns_key != key) return false;

  // Caption on top.
  float caption_height = 0;
  if (m->caption) {
    if (LayoutBox* cb = layout_box(ctx, *m->caption, cw, -1, -1, -1)) {
      cb->x = ox + cb->margin[kLeft];
      cb->y = oy + cb->margin[kTop];
      caption_height = cb->margin[kTop] + cb->height + cb->margin[kBottom];
    }
  }

  // Cells at their widths; rows at least their own height and their single-row cells.
  // Rows placed from their summaries take the height they had.
  for (int ri = 0; ri < m->row_count; ++ri) {
    TableRow& r = m->rows[ri];
    if (r.use != RowUse::kLaidOut) {
      r.height = r.summary.natural_height;
      ctx.reads_available_height |= r.summary.reads_available_height;
      continue;
    }
    float h = resolve(r.row->style->height, -1, 0);
    r.height = std::max(0.0f, sane(h));
  }
  for (int i = 0; i < m->cell_count; ++i) {
    TableCell& cell = m->cells[i];
    if (m->rows[cell.row].use != RowUse::kLaidOut) continue;
    cell.width = span_width(*m, cell);
    const std::uint32_t laid_out = ctx.boxes_laid_out;
    LayoutBox* b = lay_out_cell(ctx, *cell.node, cell.width, -1);
    cell.height = b ? b->height : 0;
    cell.fresh = ctx.boxes_laid_out != laid_out;
    if (cell.rowspan == 1)
      m->rows[cell.row].height = std::max(m->rows[cell.row].height, cell.height);
  }
  // What the rows' own cells asked for, before spanning cells and the table's height.
  float* natural = ctx.arena->allocate_array<float>(static_cast<std::size_t>(m->row_count));
  for (int ri = 0; natural && ri < m->row_count; ++ri) natural[ri] = m->rows[ri].height;
  bool spans = false;
  for (int i = 0; i < m->cell_count; ++i) {
    const TableCell& cell = m->cells[i];
    spans |= cell.rowspan > 1 || cell.colspan > 1;
    if (cell.rowspan < 2) continue;
    float spanned = m->vs * static_cast<float>(cell.rowspan - 1);
    for (int k = cell.row; k < cell.row + cell.rowspan; ++k) spanned += m->rows[k].height;
    if (cell.height > spanned) m->rows[cell.row + cell.rowspan - 1].height += cell.height - spanned;
  }
  float rows_height = 0;
  if (m->row_count) {
    rows_height = static_cast<float>(m->row_count + 1) * m->vs;
    for (int ri = 0; ri < m->row_count; ++ri) rows_height += m->rows[ri].height;
    const float room = input.content_height - caption_height;
    if (input.content_height >= 0 && room > rows_height) {
      const float each = (room - rows_height) / static_cast<float>(m->row_count);
      for (int ri = 0; ri < m->row_count; ++ri) m->rows[ri].height += each;
      rows_height = room;
    }
  }
  for (int ri = 0; ri < m->row_count; ++ri)
    if (m->rows[ri].use != RowUse::kLaidOut &&
        m->rows[ri].height != m->rows[ri].summary.final_height)
      return false;

  // Rows, row groups and cells take their places (each relative to its parent's box).
  const float area_x = n ? ox + m->columns[0].x : ox;
  const float area_w = n ? m->columns[n - 1].x + m->columns[n - 1].width - m->columns[0].x : 0;
  float y = m->vs + caption_height;
  for (int ri = 0; ri < m->row_count; ++ri) {
    m->rows[ri].y = y;
    y += m->rows[ri].height + m->vs;
  }
  for (int ri = 0; ri < m->row_count; ++ri) {
    TableRow& r = m->rows[ri];
    float group_x = 0, group_y = 0;
    if (r.group && (ri == 0 || m->rows[ri - 1].group != r.group)) {
      int last = ri;
      while (last + 1 < m->row_count && m->rows[last + 1].group == r.group) ++last;
      if (LayoutBox* gb = ensure_box(*r.group)) {
        reset_edges(*gb);
        gb->x = area_x;
        gb->y = oy + r.y;
        gb->width = area_w;
        gb->height = m->rows[last].y + m->rows[last].height - r.y;
        gb->content_width = gb->width;
        gb->content_height = gb->height;
      }
    }
    if (r.group && r.group->box) {
      group_x = r.group->box->x;
      group_y = r.group->box->y;
    }
    if (LayoutBox* rb = ensure_box(*r.row)) {
      reset_edges(*rb);
      rb->x = area_x - group_x;
      rb->y = oy + r.y - group_y;
      rb->width = area_w;
      rb->height = r.height;
      rb->content_width = rb->width;
      rb->content_height = rb->height;
    }
  }
  // Cells row by row; a row placed from its summary keeps its cells where they are.
  for (int ri = 0; ri < m->row_count; ++ri) {
    const TableRow& r = m->rows[ri];
    if (r.use != RowUse::kLaidOut) {
      ++ctx.rows_placed;
      if (box.baseline < 0 && r.summary.baseline >= 0) box.baseline = oy + r.y + r.summary.baseline;
      continue;
    }
    float row_baseline = -1;
    bool reads_height = false;
    for (int i = r.first_cell; i < r.cell_end; ++i) {
      TableCell& cell = m->cells[i];
      float h = m->vs * static_cast<float>(cell.rowspan - 1);
      for (int k = cell.row; k < cell.row + cell.rowspan; ++k) h += m->rows[k].height;
      LayoutBox* b = cell.node->box;
      if (!b) continue;
      // A cell keeps the content shift of vertical-align in static_y (cells are never out
      // of flow): content restored from a cache still carries it, fresh content does not.
      float shift = 0;
      if (h > cell.height + 0.001f) {
        const std::uint32_t laid_out = ctx.boxes_laid_out;
        b = lay_out_cell(ctx, *cell.node, cell.width, h);
        if (!b) continue;
        cell.fresh = cell.fresh || ctx.boxes_laid_out != laid_out;
        const Keyword va = cell.node->style->vertical_align;
        const float free = h - cell.height;
        shift = va == css::kw::Middle ? free / 2 : va == css::kw::Bottom ? free : 0;
      }
      if (cell.fresh) b->static_y = 0;
      shift_cell_content(*cell.node, *b, shift - b->static_y);
      b->static_y = shift;
      if (b->baseline >= 0) b->baseline += shift;  // the cached baseline is unshifted
      const float row_x =
          r.row->box ? r.row->box->x + (r.group && r.group->box ? r.group->box->x : 0) : 0;
      b->x = ox + m->columns[cell.column].x - row_x;
      b->y = 0;
      if (row_baseline < 0 && b->baseline >= 0) row_baseline = b->baseline;
      reads_height |= b->reads_available_height;
    }
    if (box.baseline < 0 && row_baseline >= 0) box.baseline = oy + r.y + row_baseline;
    // What a later layout needs to place this row again without its cells.
    if (LayoutBox* rb = r.row->box) {
      TableRowSummary& summary = rb->row_summary;
      summary = TableRowSummary{};
      if (fixed_layout && !spans && natural) {
        summary.columns_key = key;
        summary.group = r.group;
        summary.borders_key = row_borders_key(r);
        summary.previous_row = ri > 0 ? m->rows[ri - 1].row : nullptr;
        summary.next_row = ri + 1 < m->row_count ? m->rows[ri + 1].row : nullptr;
        summary.natural_height = natural[ri];
        summary.final_height = r.height;
        summary.baseline = row_baseline;
        int column_end = 0;
        for (int i = r.first_cell; i < r.cell_end; ++i)
          column_end = std::max(column_end, m->cells[i].column + m->cells[i].colspan);
        summary.column_end = static_cast<std::uint8_t>(column_end);
        summary.reads_available_height = reads_height;
      }
    }
  }
  const float total_width = n ? m->columns[n - 1].x + m->columns[n - 1].width + m->hs : 0;
  box.content_width = std::max(box.content_width, total_width);
  content_height = caption_height + rows_height;
  return true;
}

}  // namespace

float layout_table(LayoutContext& ctx, Node& node, LayoutBox& box,
                   const ContainerLayoutInput& input) noexcept {
  clear_inline_results(box);
  if (!ctx.arena) return 0;
  float content_height = 0;
  if (!lay_out_table(ctx, node, box, input, may_reuse_rows(ctx, node), content_height))
    lay_out_table(ctx, node, box, input, false, content_height);
  return content_height;
}

IntrinsicWidths table_intrinsic_widths(LayoutContext& ctx, Node& node) noexcept {
  IntrinsicWidths r;
  if (!ctx.arena) return r;
  ArenaScope scope(*ctx.arena);
  TableModel* m = nullptr;
  if (!build_table_model(ctx, node, m, may_reuse_rows(ctx, node))) return r;
  apply_column_elements(node, *m, -1);
  settle_borders(ctx, node, *m);
  // A fixed-layout table takes its column widths from its first row and never from what
  // the cells hold, so nothing in them is measured: a table of many rows costs no more.
  const ComputedStyle& s = *node.style;
  const bool fixed_layout = s.table_layout_fixed && !s.width.is_auto();
  ++ctx.depth;
  measure_columns(ctx, *m, fixed_layout);
  --ctx.depth;
  const float spacing = static_cast<float>(m->column_count + 1) * m->hs;
  r.min_content = r.max_content = m->column_count ? spacing : 0;
  for (int k = 0; k < m->column_count; ++k) {
    r.min_content += m->columns[k].min;
    r.max_content += m->columns[k].max;
  }
  if (m->caption) {
    IntrinsicWidths c = intrinsic_widths(ctx, *m->caption);
    r.min_content = std::max(r.min_content, c.min_content);
  }
  return r;
}

}  // namespace orlan

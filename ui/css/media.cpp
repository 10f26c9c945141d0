#include "media.h"

#include "tokenizer.h"
#include "value_parser.h"

namespace orlan::css {

namespace {

// "(" already consumed: reads "ident )" or "ident : value )".
void read_feature(Tokenizer& tokens, MediaQuery& q) {
  CssToken name = tokens.next_non_space();
  if (name.type != TokenType::Ident) {
    q.never = 1;
    return;
  }
  CssToken next = tokens.next_non_space();
  if (next.type == TokenType::CloseParen) {
    if (name.is_ident("hover")) {
      q.hover = 1;
    } else if (name.is_ident("pointer")) {
      q.pointer = 2;
    } else {
      q.never = 1;
    }
    return;
  }
  if (next.type != TokenType::Colon) {
    q.never = 1;
    return;
  }
  CssToken value = tokens.next_non_space();
  CssToken close = tokens.next_non_space();
  if (close.type != TokenType::CloseParen ||
      (value.type != TokenType::Ident && value.type != TokenType::Number &&
       value.type != TokenType::Dimension)) {
    q.never = 1;
    return;
  }
  if (name.is_ident("prefers-color-scheme")) {
    if (value.is_ident("dark"))
      q.color_scheme = 1;
    else if (value.is_ident("light"))
      q.color_scheme = 2;
  } else if (name.is_ident("hover")) {
    q.hover = value.is_ident("hover") ? 1 : 0;
  } else if (name.is_ident("pointer")) {
    q.pointer = value.is_ident("fine") ? 2 : (value.is_ident("coarse") ? 1 : 0);
  } else if (name.is_ident("orientation")) {
    q.orientation = value.is_ident("landscape") ? 1 : 2;
  } else if (name.is_ident("prefers-reduced-motion")) {
    if (!value.is_ident("no-preference")) q.never = 1;
  } else if (name.is_ident("min-width") || name.is_ident("max-width") ||
             name.is_ident("min-height") || name.is_ident("max-height")) {
    auto px = px_from_token(value);
    if (!px) {
      q.never = 1;  // em and other relative units are not supported here
      return;
    }
    if (name.is_ident("min-width"))
      q.min_width = *px;
    else if (name.is_ident("max-width"))
      q.max_width = *px;
    else if (name.is_ident("min-height"))
      q.min_height = *px;
    else
      q.max_height = *px;
  } else {
    q.never = 1;
  }
}

}  // namespace

MediaQuery parse_media_query(std::string_view prelude) {
  MediaQuery q;
  Tokenizer tokens(prelude);
  tokens.next_non_space();  // "@media"
  for (;;) {
    CssToken t = tokens.next_non_space();
    if (t.type == TokenType::End) break;
    if (t.type == TokenType::Ident) {
      if (!t.is_ident("and") && !t.is_ident("screen") && !t.is_ident("all")) q.never = 1;
    } else if (t.type == TokenType::OpenParen) {
      read_feature(tokens, q);
    } else {
      q.never = 1;
    }
    if (q.never) break;  // nothing later can make it match again
  }
  return q;
}

bool media_matches(const MediaQuery* query, const MediaState& state) {
  if (!query) return true;
  const MediaQuery& q = *query;
  if (q.never) return false;
  if (q.min_width != -1 && !(state.width >= q.min_width)) return false;
  if (q.max_width != -1 && !(state.width <= q.max_width)) return false;
  if (q.min_height != -1 && !(state.height >= q.min_height)) return false;
  if (q.max_height != -1 && !(state.height <= q.max_height)) return false;
  if (q.color_scheme == 1 && !state.dark) return false;
  if (q.color_scheme == 2 && state.dark) return false;
  if (q.hover == 1 && state.coarse_pointer) return false;
  if (q.hover == 0 && !state.coarse_pointer) return false;
  if (q.pointer == 2 && state.coarse_pointer) return false;
  if (q.pointer == 1 && !state.coarse_pointer) return false;
  if (q.pointer == 0) return false;
  if (q.orientation == 1 && !(state.width >= state.height)) return false;
  if (q.orientation == 2 && !(state.width < state.height)) return false;
  return true;
}

}  // namespace orlan::css

#pragma once

// The update service's JSON reply: the records as sent, and the notice the program acts on.

#include "result.h"

#include <optional>
#include <string>
#include <string_view>

namespace olib::update {

struct RawInfo {
  std::optional<std::string> style;
  std::optional<std::string> text;
  std::optional<std::string> flag;
  std::optional<std::string> url;
};

struct RawResponse {
  std::optional<std::string> status;
  std::optional<std::string> update;
  std::optional<std::string> notify;
  std::optional<RawInfo> info;
  std::optional<std::string> error;
};

// Replies larger than this or nested deeper than kMaxReplyDepth are refused unread.
inline constexpr std::size_t kMaxReplySize = 1 << 20;
inline constexpr int kMaxReplyDepth = 32;

// Parses a reply. Every member is optional and null counts as absent; unknown members are
// ignored whatever they hold. A known member given twice, a known member of the wrong JSON
// type, a reply that is not an object, malformed JSON and a reply beyond the size or depth
// limits are errors; the error is the parser's text.
Result<RawResponse, std::string> parse_update_reply(std::string_view text);

enum class NoticeStyle { none, hold, note };

struct UpdateNotice {
  std::optional<std::string> update_url;
  std::optional<std::string> notify_url;
  std::optional<std::string> info_text;
  std::optional<std::string> info_url;
  std::optional<std::string> server_message;
  NoticeStyle style = NoticeStyle::none;
  bool stay_on_top = false;
};

// Strings blank after trimming count as absent (the others are kept trimmed). A status
// other than "ok" (any case) leaves only the server message.
UpdateNotice normalise_reply(const RawResponse& reply);

}  // namespace olib::update

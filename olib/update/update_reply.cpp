#include "update_reply.h"

#include "text.h"

#include <nlohmann/json.hpp>

#include <set>
#include <stdexcept>
#include <vector>

namespace olib::update {

namespace {

using nlohmann::json;

// Raised from inside the parser's callback to stop at the first refused construct.
struct ReplyRefused : std::runtime_error {
  using std::runtime_error::runtime_error;
};

bool is_record_field(bool info, const std::string& key) {
  if (info) return key == "style" || key == "text" || key == "flag" || key == "url";
  return key == "status" || key == "update" || key == "notify" || key == "info" || key == "error";
}

// Tracks the objects being parsed so that a record's own member given twice is refused
// (a repeated unknown member is ignored like any unknown member).
class DuplicateGuard {
 public:
  bool operator()(int /*depth*/, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start:
        push(Frame::Kind::object);
        break;
      case json::parse_event_t::array_start:
        push(Frame::Kind::array);
        break;
      case json::parse_event_t::object_end:
      case json::parse_event_t::array_end:
        m_frames.pop_back();
        break;
      case json::parse_event_t::key: {
        Frame& frame = m_frames.back();
        frame.last_key = parsed.get<std::string>();
        if (frame.record != Record::none &&
            is_record_field(frame.record == Record::info, frame.last_key) &&
            !frame.seen.insert(frame.last_key).second) {
          throw ReplyRefused("중복된 키: \"" + frame.last_key + "\"");
        }
        break;
      }
      case json::parse_event_t::value:
        break;
    }
    return true;
  }

 private:
  enum class Record { none, response, info };
  struct Frame {
    enum class Kind { object, array } kind = Kind::object;
    Record record = Record::none;
    std::string last_key;
    std::set<std::string> seen;
  };

  void push(Frame::Kind kind) {
    if (static_cast<int>(m_frames.size()) >= kMaxReplyDepth) {
      throw ReplyRefused("응답이 너무 깊게 중첩되어 있습니다.");
    }
    Frame frame;
    frame.kind = kind;
    if (kind == Frame::Kind::object) {
      if (m_frames.empty()) {
        frame.record = Record::response;
      } else if (m_frames.back().record == Record::response &&
                 m_frames.back().kind == Frame::Kind::object &&
                 m_frames.back().last_key == "info") {
        frame.record = Record::info;
      }
    }
    m_frames.push_back(std::move(frame));
  }

  std::vector<Frame> m_frames;
};

std::optional<std::string> string_member(const json& object, const char* key, const char* where) {
  auto it = object.find(key);
  if (it == object.end() || it->is_null()) return std::nullopt;
  if (!it->is_string()) {
    throw ReplyRefused(std::string(where) + "\"" + key + "\" 값은 문자열이어야 합니다.");
  }
  return it->get<std::string>();
}

std::optional<std::string> present(const std::optional<std::string>& value) {
  if (!value) return std::nullopt;
  std::string_view trimmed = trim(*value);
  if (trimmed.empty()) return std::nullopt;
  return std::string(trimmed);
}

}  // namespace

Result<RawResponse, std::string> parse_update_reply(std::string_view text) {
  if (text.size() > kMaxReplySize) return std::string("응답이 너무 큽니다.");
  try {
    DuplicateGuard guard;
    json root = json::parse(text.begin(), text.end(), std::ref(guard));
    if (!root.is_object()) return std::string("응답이 JSON 객체가 아닙니다.");
    RawResponse reply;
    reply.status = string_member(root, "status", "");
    reply.update = string_member(root, "update", "");
    reply.notify = string_member(root, "notify", "");
    reply.error = string_member(root, "error", "");
    auto info = root.find("info");
    if (info != root.end() && !info->is_null()) {
      if (!info->is_object()) throw ReplyRefused("\"info\" 값은 객체여야 합니다.");
      RawInfo raw;
      raw.style = string_member(*info, "style", "info.");
      raw.text = string_member(*info, "text", "info.");
      raw.flag = string_member(*info, "flag", "info.");
      raw.url = string_member(*info, "url", "info.");
      reply.info = std::move(raw);
    }
    return reply;
  } catch (const ReplyRefused& refused) {
    return std::string(refused.what());
  } catch (const json::exception& error) {
    return std::string(error.what());
  }
}

UpdateNotice normalise_reply(const RawResponse& reply) {
  UpdateNotice notice;
  notice.server_message = present(reply.error);
  if (reply.status && !ascii_equal_ignoring_case(*reply.status, "ok")) return notice;
  notice.update_url = present(reply.update);
  notice.notify_url = present(reply.notify);
  if (reply.info) {
    const RawInfo& info = *reply.info;
    notice.info_text = present(info.text);
    notice.info_url = present(info.url);
    if (info.style) {
      std::string style = ascii_lower(trim(*info.style));
      if (style == "hold") notice.style = NoticeStyle::hold;
      if (style == "note") notice.style = NoticeStyle::note;
    }
    if (info.flag)
      notice.stay_on_top = ascii_lower(*info.flag).find("stayontop") != std::string::npos;
  }
  return notice;
}

}  // namespace olib::update

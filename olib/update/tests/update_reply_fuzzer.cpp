// Any reply text: parsing and planning never crash, and a parsed reply normalises into a
// notice whose strings are never blank.
#include "text.h"
#include "update_plan.h"
#include "update_reply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto reply = olib::update::parse_update_reply(text);
  if (!reply.ok()) return 0;
  auto notice = olib::update::normalise_reply(reply.value());
  for (const auto* value : {&notice.update_url, &notice.notify_url, &notice.info_text,
                            &notice.info_url, &notice.server_message}) {
    if (*value && olib::is_blank(**value)) std::abort();
  }
  auto plan = olib::update::plan_update(notice, "ko");
  if (plan.dialog && plan.dialog->update_url.empty()) std::abort();
  return 0;
}

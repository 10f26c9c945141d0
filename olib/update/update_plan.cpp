#include "update_plan.h"

#include "log.h"
#include "text.h"
#include "update_language.h"
#include "update_request.h"
#include "web_url.h"

namespace olib::update {

namespace {

std::optional<std::string> openable(const std::optional<std::string>& url, const char* what) {
  if (!url) return std::nullopt;
  if (tw::is_openable_web_url(*url)) return url;
  log_line(std::string("[update] ") + what +
           " 웹 주소가 아니어서 무시합니다: " + printable_for_log(*url));
  return std::nullopt;
}

}  // namespace

UpdatePlan plan_update(const UpdateNotice& notice, std::string_view language) {
  const UpdateTexts& texts = update_texts_for(language);
  UpdatePlan plan;
  if (auto url = openable(notice.notify_url, "notify")) {
    plan.bar = BarPlan{*url, std::string(texts.label)};
  }
  if (auto url = openable(notice.update_url, "update")) {
    DialogPlan dialog;
    dialog.update_url = *url;
    dialog.main_instruction = std::string(texts.title);
    dialog.content = std::string(texts.text);
    dialog.topmost = notice.stay_on_top;
    if (notice.style == NoticeStyle::hold && notice.info_text) dialog.check_box = notice.info_text;
    if (notice.style == NoticeStyle::note && notice.info_text) {
      if (auto link = openable(notice.info_url, "info.url")) {
        dialog.footer = std::make_pair(*notice.info_text, *link);
      }
    }
    plan.dialog = std::move(dialog);
  }
  return plan;
}

std::optional<UpdatePlan> plan_from_reply(std::string_view reply, std::string_view language) {
  auto parsed = parse_update_reply(reply);
  if (!parsed) {
    UpdateError error{"parse", "업데이트 응답을 해석하지 못했습니다: " + parsed.error()};
    log_line("[update] " + printable_for_log(error.text()));
    return std::nullopt;
  }
  UpdateNotice notice = normalise_reply(parsed.value());
  if (notice.server_message) {
    log_line("[update] 서버 응답: " + printable_for_log(*notice.server_message));
  }
  return plan_update(notice, language);
}

}  // namespace olib::update

#include "update_check.h"

#include "log.h"
#include "task_dialog.h"
#include "text.h"
#include "update_bar.h"
#include "update_plan.h"
#include "update_service.h"
#include "url_open.h"
#include "win32_include.h"

#include <exception>
#include <thread>

namespace olib::update {

UpdateCheckOutcome check_for_update(const UpdateConfig& config, std::string_view title,
                                    HWND__* host) {
  UpdateCheckOutcome outcome;
  auto reply = request_update(config, std::nullopt);
  if (!reply) {
    log_line("[update] " + printable_for_log(reply.error().text()));
    return outcome;
  }
  auto plan = plan_from_reply(reply.value(), config.language);
  if (!plan) return outcome;

  if (plan->bar && host != nullptr && IsWindow(host)) {
    if (auto error = show_update_bar(host, plan->bar->url, plan->bar->label)) {
      log_line("[update] 알림 바 실패: " + error->text());
    }
  }
  if (!plan->dialog) return outcome;

  const DialogPlan& offer = *plan->dialog;
  DialogOptions options;
  options.owner = host != nullptr && IsWindow(host) ? host : nullptr;
  options.window_title = std::string(title);
  options.icon = static_cast<int>(DialogIcon::warning);
  options.main_instruction = offer.main_instruction;
  options.content = offer.content;
  options.topmost = offer.topmost;
  options.check_box = offer.check_box;
  options.footer_link = offer.footer;
  auto answer = show_task_dialog(options);
  if (!answer) {
    log_line("[update] 다이얼로그 실패: " + answer.error().text());
    return outcome;
  }
  if (answer.value().checked) {
    auto hold = request_update(config, kHoldCommand);  // the result does not matter
    (void)hold;
  }
  if (answer.value().accepted) {
    outcome.accepted = true;
    outcome.update_url = offer.update_url;
  }
  return outcome;
}

namespace {

// Accepting the update ends the program through the host's normal close path, so that the
// program saves what it must and exits with 0; only without a host window left does the
// check end the process itself.
void close_for_update(HWND__* host) {
  if (host != nullptr && IsWindow(host) && PostMessageW(host, WM_CLOSE, 0, 0)) return;
  ExitProcess(0);
}

}  // namespace

bool run_update_check(std::string language, std::string title, HWND__* host) {
  try {
    std::thread([language = std::move(language), title = std::move(title), host] {
      UpdateCheckOutcome outcome;
      try {
        outcome = check_for_update(main_program_config(language), title, host);
      } catch (const std::exception& error) {
        // A fatal internal error on this thread ends only the check.
        log_line(std::string("[update] ") + error.what());
        return;
      }
      if (outcome.accepted && open_web_url(outcome.update_url, OpenVia::explorer)) {
        close_for_update(host);
      }
    }).detach();
    return true;
  } catch (const std::exception& error) {
    log_line(std::string("[update] 업데이트 스레드를 만들지 못했습니다: ") + error.what());
    return false;
  }
}

}  // namespace olib::update

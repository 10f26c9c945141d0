#include "main_screen.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "catalog.h"
#include "delay_fields.h"
#include "fatal.h"
#include "hotkeys.h"
#include "page_resources.h"
#include "runner.h"
#include "screen_close.h"
#include "screen_controls.h"
#include "screen_list.h"
#include "screen_options.h"

namespace tw {

namespace {

constexpr std::string_view kLogoName = "logo.svg";
constexpr std::string_view kNotificationSetupFailure = "[toast] 알림 바탕을 깔지 못했습니다: ";

void set_up_notifications(Shell& shell, std::string_view app_name) {
  std::string error;
  if (shell.set_up_notifications(app_name, error)) return;
  std::fprintf(stderr, "%.*s%s\n", static_cast<int>(kNotificationSetupFailure.size()),
               kNotificationSetupFailure.data(), error.c_str());
  std::fflush(stderr);
}

void bind_header(ScreenView& view, Shell& shell) {
  // btn-home is the current tab: it does nothing.
  view.on("btn-test", "click", [&shell](PageEvent&) { shell.open_web_page(kMouseTestPage); });
  view.on("btn-donate", "click", [&shell](PageEvent&) { shell.open_web_page(kDonatePage); });
  view.on("btn-about", "click", [&shell](PageEvent&) { shell.open_web_page(kProductPage); });
}

}  // namespace

std::string main_page_html(std::string_view language) {
  return i18n::expand_template(res::main_page_template, i18n::language_column(language));
}

std::string_view main_stylesheet() {
  return res::main_page_css;
}

std::string_view logo_svg() {
  return res::logo_svg_text;
}

ScreenCallbacks build_main_screen(ScreenView& view, const ScreenContext& context,
                                  std::string_view app_name) {
  ensure(context.shell != nullptr, "main screen without a shell");
  Shell& shell = *context.shell;
  Page page = context.page();
  std::string language = context.state->access()->language;

  std::string_view logo = logo_svg();
  orlan::image_set(context.document, kLogoName.data(), kLogoName.size(), logo.data(), logo.size());
  set_up_notifications(shell, app_name);

  load_hotkeys(context);
  load_options(context);
  fill_empty_delays(page);
  page.set_attribute("repeat", "placeholder", i18n::text("repeat.none", language));
  load_list_into_screen(context);

  bind_header(view, shell);
  bind_delay_editors(view, context);
  bind_hotkey_capture(view, context);
  bind_option_events(view, context);
  bind_list_events(view, context);

  register_hotkeys(context);
  show_status(page, false, language);

  if (!shell.start_update_check(language)) raise_fatal("failed to spawn thread");

  ScreenCallbacks callbacks;
  // Closing runs once, however often the window asks (close, then the end of the session).
  auto closed = std::make_shared<bool>(false);
  callbacks.close = [context, closed] {
    if (std::exchange(*closed, true)) return;
    close_screen(context, context.list_path);
  };
  callbacks.hotkey = [context](int id) { handle_hotkey(context, id); };
  callbacks.timer = [context] { run_tick(context); };
  return callbacks;
}

}  // namespace tw

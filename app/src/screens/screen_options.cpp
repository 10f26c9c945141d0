#include "screen_options.h"

#include "page.h"

namespace tw {

void load_options(const ScreenContext& context) {
  std::uint32_t click_after = context.settings->read(kClickAfterValue).value_or(0);
  std::uint32_t notify_use = context.settings->read(kNotifyUseValue).value_or(1);
  {
    SharedAppState::Access state = context.state->access();
    // The state follows what the select shows, so an unusual stored value (2, say) runs
    // as the Modify it is displayed as.
    state->after_change = click_after > 0;
    state->notify = notify_use != 0;
  }
  Page page = context.page();
  page.set_selected_index("after", click_after > 0 ? 1 : 0);
  page.set_selected_index("use-notify", notify_use == 0 ? 1 : 0);
}

void bind_option_events(ScreenView& view, const ScreenContext& context) {
  view.on("after", "change", [context](PageEvent& event) {
    std::int32_t index = orlan::selected_index(event.target);
    context.state->access()->after_change = index == 1;
    context.settings->write(kClickAfterValue, index < 0 ? 0 : static_cast<std::uint32_t>(index));
  });
  view.on("use-notify", "change", [context](PageEvent& event) {
    bool on = orlan::selected_index(event.target) < 1;
    context.state->access()->notify = on;
    context.settings->write(kNotifyUseValue, on ? 1 : 0);
  });
  view.on("use-record", "change", [context](PageEvent& event) {
    bool checked = orlan::is_checked(event.target);
    context.state->access()->record_mode = checked;
  });
}

}  // namespace tw

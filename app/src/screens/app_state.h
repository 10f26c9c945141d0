#pragma once

// The main screen's state record, shared by the page's event handlers and the main
// window's timer, hotkey and close callbacks. Everything runs on the UI thread; an access
// that begins while another is still open (a handler re-entered through a nested message
// loop, say) is a fatal internal error, so handlers end their access before anything that
// can pump messages (dialogs, menus).

#include <cstdint>
#include <string>

#include "click_list.h"
#include "click_table.h"
#include "fatal.h"
#include "hotkey.h"

namespace tw {

struct AppState {
  ClickList list;          // with the row marker
  ShownTable shown_table;  // what the click table shows of it
  std::string language;    // catalogue language code
  // The list file read when the screen was built is there but not all of it was read
  // (locked, not UTF-8, past the load's limits): closing keeps what it holds.
  bool list_file_not_all_read = false;
  void* window = nullptr;  // the main window (HWND on Windows)
  Hotkey run_hotkey{0, kDefaultRunHotkey};
  Hotkey add_hotkey{0, kDefaultAddHotkey};

  // Run state.
  std::uint32_t remaining = 0;  // clicks left; 0 means no limit
  std::int32_t run_x = 0;       // where the next click goes
  std::int32_t run_y = 0;
  std::uint32_t delay1 = 0;  // wait range after the click, ms
  std::uint32_t delay2 = 0;
  bool running = false;
  std::uint8_t click_kind = 0;    // 0 single, 1 double
  std::uint8_t mouse_button = 0;  // 0 left, 1 right, 2 wheel
  bool record_mode = false;       // the run plays the click list

  // Options.
  bool after_change = false;   // false Hold: the pointer goes back; true Modify: it stays
  bool notify = true;          // run notifications on
  bool delay2_follows = true;  // delay2 takes delay1's text when delay1 is left
};

// The one AppState of a main window and its access guard.
class SharedAppState {
 public:
  explicit SharedAppState(AppState initial = {}) : m_state(std::move(initial)) {}
  SharedAppState(const SharedAppState&) = delete;
  SharedAppState& operator=(const SharedAppState&) = delete;

  // Holds the state for one access; ends it when destroyed or on release().
  class Access {
   public:
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;
    Access(Access&& other) noexcept : m_owner(other.m_owner) { other.m_owner = nullptr; }
    ~Access() { release(); }

    AppState& operator*() const;
    AppState* operator->() const { return &**this; }
    // Ends the access early; using it afterwards is a fatal internal error.
    void release() noexcept;

   private:
    friend class SharedAppState;
    explicit Access(SharedAppState* owner) noexcept : m_owner(owner) {}
    SharedAppState* m_owner;
  };

  // Begins an access. One that begins while another is open is a fatal internal error.
  Access access(SourceLocation where = SourceLocation::current());
  bool in_use() const noexcept { return m_in_use; }

 private:
  AppState m_state;
  bool m_in_use = false;
};

}  // namespace tw

#include "cursor_table.h"

#include "properties.h"

namespace orlan::host {

SystemCursor cursor_for_keyword(std::uint16_t keyword) noexcept {
  namespace kw = css::kw;
  switch (keyword) {
    case kw::None: return SystemCursor::kNone;
    case kw::ColResize:
    case kw::EwResize:
    case kw::EResize:
    case kw::WResize: return SystemCursor::kSizeWE;
    case kw::Move:
    case kw::Grabbing:
    case kw::AllScroll: return SystemCursor::kSizeAll;
    case kw::Grab:
    case kw::Pointer: return SystemCursor::kHand;
    case kw::Wait: return SystemCursor::kWait;
    case kw::Progress: return SystemCursor::kAppStarting;
    case kw::Help: return SystemCursor::kHelp;
    case kw::Crosshair:
    case kw::Cell: return SystemCursor::kCross;
    case kw::NwseResize: return SystemCursor::kSizeNWSE;
    case kw::NeswResize: return SystemCursor::kSizeNESW;
    case kw::NsResize:
    case kw::RowResize:
    case kw::NResize:
    case kw::SResize: return SystemCursor::kSizeNS;
    case kw::NoDrop:
    case kw::NotAllowed: return SystemCursor::kNo;
    case kw::VerticalText:
    case kw::Text: return SystemCursor::kIBeam;
    default: return SystemCursor::kArrow;
  }
}

}  // namespace orlan::host

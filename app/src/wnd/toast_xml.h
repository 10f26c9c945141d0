#pragma once

// The XML of a run notification: the message's first line is the toast's title and the
// rest its body.

#include <string>
#include <string_view>

namespace tw {

// <toast><visual><binding template="ToastGeneric"><text>first</text><text>rest</text>
// </binding></visual></toast> on one line, without an XML declaration. The text is split at
// its first line break ("\r\n" or "\n"; the rest is empty without one) and both parts are
// escaped (& < > " ').
std::string toast_xml(std::string_view message);

}  // namespace tw

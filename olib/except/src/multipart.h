#pragma once

// The report upload's body: a multipart form with a subject, a one-line body and the
// report as a file.

#include <cstdint>
#include <string>
#include <string_view>

namespace olib::except {

// "----OLibExcept" and the time in nanoseconds since 1970-01-01 as 32 lower-case
// hexadecimal digits.
std::string make_boundary(std::uint64_t unix_nanoseconds);
// The same with the current system time.
std::string make_boundary();

// The fields MailSubject ("bug report"), MailBody (name, a blank, version and ".0") and
// BugReport (file "bugreport.txt", the report bytes), then the closing boundary.
std::string build_multipart_body(std::string_view boundary, std::string_view name,
                                 std::string_view version, std::string_view report);

// The request's Content-Type header value for this boundary.
std::string multipart_content_type(std::string_view boundary);

}  // namespace olib::except

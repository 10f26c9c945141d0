#pragma once

// The update service exchange (Windows only): the installation's identifier from the
// registry and one request to the service.

#include "result.h"
#include "update_request.h"

#include <optional>
#include <string>
#include <string_view>

namespace olib::update {

// The identifier stored as "OUID" under HKEY_CURRENT_USER\Software\Orlannet; when the value
// is missing, blank or of a non-string type a new one is made and stored. Errors are of
// kind "registry" (a new identifier that could not be stored is not returned).
Result<std::string, UpdateError> read_or_create_identifier();

// A new identifier from the cryptographic random generator and the current UTC time.
Result<std::string, UpdateError> new_identifier();

// One exchange with the update service: GET with the configured headers (the identifier
// from the registry unless the configuration names one; a registry failure only drops the
// "User-Union" header) and `command` as "User-Command". Returns the reply body as text.
Result<std::string, UpdateError> request_update(const UpdateConfig& config,
                                                std::optional<std::string_view> command);

}  // namespace olib::update

#pragma once

// The launcher's small reads of system state: the shared identifier in the registry and the
// version resource of a file.

#include <string>
#include <string_view>

namespace twsvc {

// The shared per-installation identifier, value "OUID" under HKEY_CURRENT_USER
// "Software\Orlannet". The key is never created: without it the identifier is empty. A
// missing value is made and stored (REG_SZ, with its terminating NUL); when storing fails the
// identifier is empty. A value of another type than REG_SZ or REG_EXPAND_SZ gives an empty
// identifier and is left as it is.
std::u16string read_or_create_identifier();

// The fixed file version of `path` as "major.minor.build.revision"; "0.0.0.0" when the file
// has no version resource.
std::u16string read_file_version(const std::wstring& path);

}  // namespace twsvc

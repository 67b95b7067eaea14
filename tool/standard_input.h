// The FILE '-': standard input read once, whole, and given to the host under the name the
// user sees for it ("stdin", as the saved outputs are named), for every command alike.
#pragma once

#include "host/model/model.h"

#include <cstdint>
#include <string>
#include <vector>

namespace lxtool {

// Standard input is read up to the size of the largest file the host opens (2 GiB); more is
// an error, not a truncated document.
constexpr std::uintmax_t kMaxStandardInputBytes = std::uintmax_t{1} << 31;

// When files name '-', reads standard input, gives it to the session as a file named "stdin"
// and answers the files with '-' replaced by that name; otherwise answers the files as they
// are. false with a message when standard input cannot be read or is too large.
bool ProvideStandardInput(lxhost::Session& session, std::vector<std::string>* files,
                          std::string* error);

} // namespace lxtool

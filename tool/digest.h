// SHA-256 and Base64, for the Content-Security-Policy of the HTML report: the page allows its one
// inline style sheet by its digest, and nothing else.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lxtool {

std::array<std::uint8_t, 32> Sha256(std::string_view data);
std::string Base64(const std::uint8_t* data, std::size_t size);

} // namespace lxtool

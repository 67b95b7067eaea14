// The character-class masks behind CountText's counting loop: the text is read 64 bytes to a
// block, and bit j of each mask stands for byte j of the block. Two forms compute them, a portable
// one and one with AVX2 byte shuffles that the loop uses when the processor has them; they are
// declared here so that tests can hold the one to the other on every byte at every position.
#pragma once

#include "analysis/counts.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace lxtokenizer {

constexpr std::size_t kBlockBytes = 64;

struct BlockMasks {
    std::uint64_t separator; // bytes past the end of the text count as separators
    std::uint64_t stop;      // terminators and periods
    std::uint64_t vowel;
    std::uint64_t trim;
    std::uint64_t letterE;
};

using MasksOfBlockFn = BlockMasks (*)(const unsigned char* block);

// The masks of the 64 bytes at `block`, by class-table lookups.
BlockMasks PortableMasksOfBlock(const unsigned char* block);

// The AVX2 form of PortableMasksOfBlock, or null when this build or this processor has no AVX2.
MasksOfBlockFn WideMasksOfBlock();

// CountText with the portable masks and bit counts whatever the processor has, so that tests run
// both forms of the counting loop on one machine.
void CountTextPortable(std::string_view text, ReadabilityCounts* counts);

} // namespace lxtokenizer

#include "analysis/tokenizer_masks.h"

#include "analysis/tokenizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace {

using lxtokenizer::BlockMasks;
using lxtokenizer::kBlockBytes;
using lxtokenizer::MasksOfBlockFn;

template <std::size_t N> bool In(const std::array<unsigned char, N>& set, unsigned char byte) {
    return std::find(set.begin(), set.end(), byte) != set.end();
}

// Each mask against the byte sets the tokenizer publishes, decided here byte by byte.
struct MaskClass {
    const char* name;
    std::uint64_t BlockMasks::*mask;
    bool (*member)(unsigned char byte);
};

const MaskClass kClasses[] = {
    {"separator", &BlockMasks::separator, [](unsigned char b) { return In(WordSeparators, b); }},
    {"stop", &BlockMasks::stop,
     [](unsigned char b) { return b == kPeriod || In(SentenceTerminators, b); }},
    {"vowel", &BlockMasks::vowel, [](unsigned char b) { return In(Vowels, b); }},
    {"trim", &BlockMasks::trim, [](unsigned char b) { return In(TrimCharacters, b); }},
    {"letter e", &BlockMasks::letterE, [](unsigned char b) { return b == 'e' || b == 'E'; }},
};

struct MasksForm {
    const char* name;
    MasksOfBlockFn masksOf;
};

std::vector<MasksForm> Forms() {
    std::vector<MasksForm> forms = {{"portable", lxtokenizer::PortableMasksOfBlock}};
    if (MasksOfBlockFn wide = lxtokenizer::WideMasksOfBlock())
        forms.push_back({"wide", wide});
    return forms;
}

void ExpectMasksOfBlock(const MasksForm& form, const unsigned char* block) {
    const BlockMasks m = form.masksOf(block);
    for (const MaskClass& c : kClasses) {
        for (std::size_t j = 0; j < kBlockBytes; ++j) {
            const bool set = (m.*c.mask >> j) & 1u;
            ASSERT_EQ(set, c.member(block[j]))
                << form.name << " " << c.name << ": byte " << int(block[j]) << " at " << j;
        }
    }
}

TEST(TokenizerMasks, EveryByteAtEveryPositionOfABlock) {
    // Block `first` holds byte (first + j) mod 256 at position j: over all 256 blocks every byte
    // value stands at every position once.
    for (const MasksForm& form : Forms()) {
        unsigned char block[kBlockBytes];
        for (unsigned first = 0; first < 256; ++first) {
            for (std::size_t j = 0; j < kBlockBytes; ++j)
                block[j] = static_cast<unsigned char>(first + j);
            ExpectMasksOfBlock(form, block);
        }
    }
}

TEST(TokenizerMasks, RandomBlocksAndUnalignedAddresses) {
    std::mt19937 rng(8675309);
    std::uniform_int_distribution<int> byte(0, 255);
    unsigned char buffer[kBlockBytes + 32];
    for (const MasksForm& form : Forms()) {
        for (int round = 0; round < 2000; ++round) {
            for (unsigned char& b : buffer)
                b = static_cast<unsigned char>(byte(rng));
            ExpectMasksOfBlock(form, buffer + round % 32);
        }
    }
}

} // namespace

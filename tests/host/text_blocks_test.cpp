// The heap blocks a text takes as it is written: a text written into an empty paragraph (each
// cell of a report table, thousands of them kept while a book's files come and go) must take none
// beyond its string's. The program counts every operator new while a case runs.
#include "host/model/model.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

namespace {

bool counting = false;
int blocks = 0;

void* Allocate(std::size_t size) {
    if (counting)
        ++blocks;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace lxhost {
namespace {

TEST(TextBlocks, WritingIntoAnEmptyTextTakesNoBlockOfItsOwn) {
    struct Case {
        const char* name;
        const char* before; // one run, or empty
        std::int32_t offset;
        const char* inserted;
        int blocks; // short texts stay in the string itself
        std::size_t runs;
    };
    const Case cases[] = {
        {"into an empty text", "", 0, "12.5", 0, 1},
        {"before a run", "abc", 0, "x", 1, 2},
        {"inside a run, which splits", "abc", 1, "x", 1, 3},
        {"after a run", "abc", 3, "x", 1, 2},
    };
    for (const Case& c : cases) {
        TextBody body;
        body.Append(c.before, true);
        blocks = 0;
        counting = true;
        body.Insert(c.offset, c.inserted);
        counting = false;
        EXPECT_EQ(blocks, c.blocks) << c.name;
        EXPECT_EQ(body.segs.size(), c.runs) << c.name;
    }
}

} // namespace
} // namespace lxhost

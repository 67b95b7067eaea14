// The heap blocks a text takes as it is written: a text written into an empty paragraph (each
// cell of a report table, thousands of them kept while a book's files come and go) must take none
// of its own: it goes into its document's blocks of kept text. The program counts every operator
// new while a case runs.
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

TEST(TextBlocks, WritingIntoAnEmptyParagraphTakesNoBlockOfItsOwn) {
    struct Case {
        const char* name;
        const char* before; // the paragraph's text before the write
        std::int32_t offset;
        const char* inserted;
        const char* after;
        bool ownBlock; // whether the write may take blocks of its own
        std::size_t runs;
    };
    const Case cases[] = {
        {"into an empty paragraph", "", 0, "12.5", "12.5", false, 1},
        {"a long text into an empty paragraph", "", 0, "a cell of forty-odd bytes of text",
         "a cell of forty-odd bytes of text", false, 1},
        {"before a run", "abc", 0, "x", "xabc", true, 2},
        {"inside a run", "abc", 1, "x", "axbc", true, 3},
    };
    for (const Case& c : cases) {
        Session s;
        Document& d = s.NewDocument();
        const ObjectId flow = d.AddFlow("A");
        // A first write gives the document its first block of kept text.
        d.InsertText(d.AppendParagraph(flow, 0), 0, "warm");
        const ObjectId para = d.AppendParagraph(flow, 0);
        d.InsertText(para, 0, c.before);
        blocks = 0;
        counting = true;
        d.InsertText(para, c.offset, c.inserted);
        counting = false;
        EXPECT_EQ(blocks > 0, c.ownBlock) << c.name << ": " << blocks << " blocks";
        EXPECT_EQ(d.FindParagraph(para)->body.text(), c.after) << c.name;
        EXPECT_EQ(d.FindParagraph(para)->body.segs().size(), c.runs) << c.name;
    }
}

} // namespace
} // namespace lxhost

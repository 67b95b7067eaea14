// The document model through the host operations: ids, properties, text, selection, formats.
#include "host/model/builder.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

namespace lxhost {
namespace {

using test::Chain;
using test::IdOf;
using test::IntOf;
using test::ParagraphTexts;
using test::TextOf;

// A custom document like the plug-in's portrait output document.
ObjectId NewCustomDoc(Session& s) {
    CustomDocParams p;
    p.width = 576 * kMetricPoint;
    p.height = 792 * kMetricPoint;
    p.gap = 72 * kMetricPoint;
    p.top = p.bottom = p.inside = p.outside = 72 * kMetricPoint;
    ObjectId doc = 0;
    EXPECT_EQ(s.CustomDoc(p, &doc), kOk);
    return doc;
}

ObjectId LastParagraph(Session& s, ObjectId doc) {
    const ObjectId flow = IdOf(s, 0, doc, kPropMainFlow);
    const ObjectId frame = IdOf(s, doc, flow, kPropLastTextFrame);
    return IdOf(s, doc, frame, kPropLastParagraph);
}

TEST(SessionIds, KindsSerialsAndClosedDocuments) {
    Session s;
    const ObjectId a = NewCustomDoc(s);
    const ObjectId b = NewCustomDoc(s);
    EXPECT_EQ(KindOf(a), kKindDocument);
    EXPECT_EQ(SerialOf(a), 1u);
    EXPECT_EQ(SerialOf(b), 2u);
    const ObjectId para = LastParagraph(s, a);
    EXPECT_EQ(KindOf(para), kKindParagraph);
    EXPECT_EQ(KindOf(IdOf(s, 0, a, kPropMainFlow)), kKindFlow);

    EXPECT_EQ(s.Close(a, 1), kOk);
    ObjectId out = 1;
    EXPECT_EQ(s.GetId(a, para, kPropNextParagraph, &out), kErrBadDocument);
    EXPECT_EQ(s.GetId(0, para, kPropNextParagraph, &out), kErrBadObject);
    EXPECT_EQ(out, 0u);
    std::string text;
    EXPECT_EQ(s.GetString(0, a, kPropPath, &text), kErrBadObject);
    TextLoc after{};
    EXPECT_EQ(s.AddText(a, {para, 0}, "x", &after), kErrBadDocument);
    EXPECT_EQ(s.Close(a, 1), kErrBadDocument);

    // Ids are never reused: the next document gets serial 3.
    EXPECT_EQ(SerialOf(NewCustomDoc(s)), 3u);
    // An object of one document is not one of another.
    EXPECT_EQ(s.GetId(b, para, kPropNextParagraph, &out), kErrBadObject);
    EXPECT_EQ(s.GetId(0, 0x7F000001, kPropNextParagraph, &out), kErrBadObject);
}

// A custom document of n paragraphs, and its paragraphs' ids in the order they were made.
ObjectId DocOfParagraphs(Session& s, int n, std::vector<ObjectId>* paras) {
    const ObjectId doc = NewCustomDoc(s);
    TextLoc after{};
    EXPECT_EQ(s.AddText(doc, {LastParagraph(s, doc), 0}, std::string(n - 1, '\n'), &after), kOk);
    paras->clear();
    for (const Paragraph& p : s.FindDocument(doc)->paras)
        paras->push_back(p.id);
    EXPECT_EQ(paras->size(), static_cast<std::size_t>(n));
    return doc;
}

std::vector<std::uint32_t> Serials(const std::vector<ObjectId>& ids) {
    std::vector<std::uint32_t> out;
    for (ObjectId id : ids)
        out.push_back(SerialOf(id));
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::uint32_t> SerialRange(std::uint32_t first, std::uint32_t last) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = first; i <= last; ++i)
        out.push_back(i);
    return out;
}

TEST(SessionIds, AClosedDocumentsSerialsAreGivenAgainOnlyOnceFreshOnesAreUsedUp) {
    Session s(100); // 100 serials a kind
    std::vector<ObjectId> a, b, c, d;
    const ObjectId docA = DocOfParagraphs(s, 60, &a);
    DocOfParagraphs(s, 30, &b);
    EXPECT_EQ(Serials(a), SerialRange(1, 60));
    ASSERT_EQ(s.Close(docA, 1), kOk);
    ObjectId out = 1;
    // Released, an id is unknown, with or without its document.
    EXPECT_EQ(s.GetId(0, a[0], kPropNextParagraph, &out), kErrBadObject);
    EXPECT_EQ(s.GetId(docA, a[0], kPropNextParagraph, &out), kErrBadDocument);

    // The fresh serials first, then the ones released longest ago.
    const ObjectId docC = DocOfParagraphs(s, 50, &c);
    EXPECT_EQ(Serials(c), [] {
        auto v = SerialRange(1, 40);
        auto fresh = SerialRange(91, 100);
        v.insert(v.end(), fresh.begin(), fresh.end());
        return v;
    }());
    // An old id passed with its own closed document still fails; the serial is the new
    // paragraph's, whole and working, in its own document.
    EXPECT_EQ(s.GetId(docA, a[0], kPropNextParagraph, &out), kErrBadDocument);
    EXPECT_EQ(s.GetId(docC, c.back(), kPropNextParagraph, &out), kOk);

    DocOfParagraphs(s, 20, &d);
    EXPECT_EQ(Serials(d), SerialRange(41, 60));
    // Every serial is taken by an open document: one more paragraph is refused.
    TextLoc after{};
    EXPECT_THROW(s.AddText(docC, {c[0], 0}, "\n", &after), std::length_error);
}

TEST(SessionIds, DocumentsAndBooksNeverGetAReleasedSerial) {
    Session s(2);
    s.Close(s.NewDocument().id(), 1);
    s.Close(s.NewDocument().id(), 1);
    EXPECT_THROW(s.NewDocument(), std::length_error);
    s.Close(s.NewBook().id(), 1);
    s.Close(s.NewBook().id(), 1);
    EXPECT_THROW(s.NewBook(), std::length_error);
}

TEST(ObjectRegistry, ReleasedSerialsComeBackOldestFirstAndOnlyOnce) {
    ObjectRegistry r(3);
    const ObjectId x = r.Register(kKindParagraph, 1, 0);
    const ObjectId y = r.Register(kKindParagraph, 1, 1);
    const ObjectId z = r.Register(kKindParagraph, 2, 0);
    EXPECT_EQ(r.Register(kKindFlow, 1, 0), MakeId(kKindFlow, 1)); // kinds count apart
    r.Release(z);
    r.Release(x);
    r.Release(x);                         // twice: once in the list
    r.Release(MakeId(kKindParagraph, 9)); // never given: passed over
    EXPECT_FALSE(r.Find(x));
    ASSERT_TRUE(r.Find(y));
    EXPECT_EQ(r.Find(y)->index, 1u);
    EXPECT_EQ(r.Register(kKindParagraph, 3, 7), z);
    EXPECT_EQ(r.Register(kKindParagraph, 3, 8), x);
    ASSERT_TRUE(r.Find(x));
    EXPECT_EQ(r.Find(x)->owner, 3u);
    EXPECT_EQ(r.Find(x)->index, 8u);
    EXPECT_THROW(r.Register(kKindParagraph, 3, 9), std::length_error);
    r.Release(y);
    EXPECT_EQ(r.Register(kKindParagraph, 4, 0), y);
    // A document's id stays its own: it is the document argument of its objects' operations.
    const ObjectId doc = r.Register(kKindDocument, 0, 0);
    r.Release(doc);
    EXPECT_TRUE(r.Find(doc));
}

// A book's walk opens and closes its files one by one: the id table keeps what the open files
// use, not a slot for every id handed out, and the ids of the closed files keep failing.
TEST(SessionIds, ClosedDocumentsLeaveTheIdTableBounded) {
    struct Case {
        const char* what;
        int documents;
        int paragraphs; // each
    };
    const Case cases[] = {
        {"many small files", 3000, 5},
        {"files larger than a page of the table", 60, 2500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Session s;
        std::vector<ObjectId> paras;
        std::vector<std::pair<ObjectId, ObjectId>> stale; // a document and one of its paragraphs
        std::size_t settled = 0;
        for (int i = 0; i < c.documents; ++i) {
            const ObjectId doc = DocOfParagraphs(s, c.paragraphs, &paras);
            if (i % 7 == 0) {
                stale.push_back({doc, paras[paras.size() / 2]});
            }
            ASSERT_EQ(s.Close(doc, 1), kOk);
            if (i == c.documents / 10) {
                settled = s.IdTableBytes();
            }
        }
        // A slot per id ever given would be 8 bytes for each of the paragraphs alone; the list
        // of pages takes 16 bytes for every 1,024 (twice that while it doubles).
        const std::size_t given = std::size_t{8} * c.documents * c.paragraphs;
        EXPECT_LE(s.IdTableBytes(), settled + 1024 + given / 256) << "a slot per id: " << given;
        for (const auto& [doc, para] : stale) {
            ObjectId out = 1;
            EXPECT_EQ(s.GetId(0, para, kPropNextParagraph, &out), kErrBadObject);
            EXPECT_EQ(s.GetId(doc, para, kPropNextParagraph, &out), kErrBadDocument);
            EXPECT_EQ(s.GetId(0, doc, kPropMainFlow, &out), kErrBadObject);
            EXPECT_EQ(out, 0u);
        }
        // A new file's ids are fresh and work.
        const ObjectId doc = DocOfParagraphs(s, 3, &paras);
        EXPECT_EQ(SerialOf(paras[0]), std::uint32_t(c.documents * c.paragraphs + 1));
        EXPECT_EQ(IdOf(s, doc, paras[0], kPropNextParagraph), paras[1]);
    }
}

TEST(ObjectRegistry, APageIsFreedOnceEverySerialOfItIsGivenAndReleased) {
    constexpr std::uint32_t kPage = ObjectRegistry::kPageSerials;
    constexpr std::size_t kPageBytes = kPage * sizeof(ObjectRegistry::Slot);
    ObjectRegistry r(3 * kPage);
    std::vector<ObjectId> ids;
    for (std::uint32_t i = 0; i < kPage + 10; ++i) {
        ids.push_back(r.Register(kKindParagraph, 1 + i % 2, i));
    }
    const std::size_t full = r.Footprint();
    struct Step {
        const char* what;
        std::uint32_t from, to; // the ids[from, to) released
        std::size_t freed;      // pages freed so far
    };
    const Step steps[] = {
        {"all of the first page but one", 0, kPage - 1, 0},
        {"its last one", kPage - 1, kPage, 1},
        {"the page still being given", kPage, kPage + 10, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        for (std::uint32_t i = step.from; i < step.to; ++i) {
            r.Release(ids[i]);
        }
        EXPECT_LE(r.Footprint(), full - step.freed * kPageBytes + 64);
        EXPECT_GE(r.Footprint() + 64, full - step.freed * kPageBytes);
        for (std::uint32_t i = 0; i < step.to; ++i) {
            ASSERT_FALSE(r.Find(ids[i])) << i;
        }
        for (std::uint32_t i = step.to; i < ids.size(); ++i) {
            ASSERT_TRUE(r.Find(ids[i])) << i;
            EXPECT_EQ(r.Find(ids[i])->index, i);
        }
    }
    // The fresh serials, then the released ones oldest first, the freed page made anew for them;
    // the serials of that page not given again yet stay unknown.
    for (std::uint32_t i = kPage + 10; i < 3 * kPage; ++i) {
        r.Register(kKindParagraph, 3, i);
    }
    EXPECT_EQ(r.FreshLeft(kKindParagraph), 0u);
    EXPECT_EQ(r.Register(kKindParagraph, 4, 7), ids[0]);
    ASSERT_TRUE(r.Find(ids[0]));
    EXPECT_EQ(r.Find(ids[0])->owner, 4u);
    EXPECT_FALSE(r.Find(ids[1]));
    EXPECT_EQ(r.Register(kKindParagraph, 4, 8), ids[1]);
}

// A reader registers a document's objects of a kind one after another at the next index: such
// serials keep no slot of their own. One out of turn, or a release, writes its page's slots out;
// every id finds what it was given either way, and a released one nothing.
TEST(ObjectRegistry, SerialsGivenInTurnKeepNoSlotsUntilOneIsNot) {
    constexpr std::uint32_t kPage = ObjectRegistry::kPageSerials;
    constexpr std::size_t kPageBytes = kPage * sizeof(ObjectRegistry::Slot);
    struct Case {
        const char* what;
        std::uint32_t count;      // serials given: owner 1, index firstIndex + serial - 1
        std::uint32_t firstIndex; // the first one's
        std::uint32_t outOfTurn;  // this serial (0: none) gets another owner, or the index
        std::uint32_t outOwner;   // in turn moved by outShift, and the next ones go on from it
        std::uint32_t outShift;
        std::uint32_t releaseFrom, releaseTo; // serials [from, to) released afterwards
        std::size_t pagesWritten;
    };
    const Case cases[] = {
        {"in turn over three pages", 2 * kPage + 5, 0, 0, 1, 0, 0, 0, 0},
        {"in turn from an index past 0", kPage + 3, 7, 0, 1, 0, 0, 0, 0},
        {"another owner in the middle of a page", 2 * kPage + 5, 0, kPage + 10, 2, 0, 0, 0, 1},
        {"another owner first on a page", 2 * kPage + 5, 0, kPage + 1, 2, 0, 0, 0, 1},
        {"an index skipped", 2 * kPage + 5, 0, kPage + 10, 1, 5, 0, 0, 1},
        {"an index given again", 2 * kPage + 5, 0, 10, 1, std::uint32_t(-1), 0, 0, 1},
        {"the last serial given out of turn", kPage + 5, 0, kPage + 5, 2, 0, 0, 0, 1},
        {"one released", 2 * kPage + 5, 0, 0, 1, 0, 5, 6, 1},
        {"a whole page released: freed", 2 * kPage + 5, 0, 0, 1, 0, 1, kPage + 1, 0},
        {"the page still being given released", kPage + 5, 0, 0, 1, 0, kPage + 1, kPage + 6, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ObjectRegistry r(3 * kPage);
        // The owner and index each serial is given.
        std::vector<ObjectRegistry::Slot> given;
        std::uint32_t index = c.firstIndex;
        for (std::uint32_t serial = 1; serial <= c.count; ++serial) {
            const bool out = serial == c.outOfTurn;
            index += out ? c.outShift : 0;
            given.push_back({out ? c.outOwner : 1, index++});
            ASSERT_EQ(r.Register(kKindParagraph, given.back().owner, given.back().index),
                      MakeId(kKindParagraph, serial));
        }
        for (std::uint32_t serial = c.releaseFrom; serial < c.releaseTo; ++serial) {
            r.Release(MakeId(kKindParagraph, serial));
        }
        EXPECT_GE(r.Footprint(), c.pagesWritten * kPageBytes);
        EXPECT_LT(r.Footprint(), (c.pagesWritten + 1) * kPageBytes);
        for (std::uint32_t serial = 1; serial <= c.count; ++serial) {
            const std::optional<ObjectRegistry::Slot> slot = r.Find(MakeId(kKindParagraph, serial));
            if (serial >= c.releaseFrom && serial < c.releaseTo) {
                ASSERT_FALSE(slot) << serial;
            } else {
                ASSERT_TRUE(slot) << serial;
                ASSERT_EQ(slot->owner, given[serial - 1].owner) << serial;
                ASSERT_EQ(slot->index, given[serial - 1].index) << serial;
            }
        }
        EXPECT_FALSE(r.Find(MakeId(kKindParagraph, c.count + 1)));
        // Given on, in turn again: the ids still find their objects.
        const ObjectId next = r.Register(kKindParagraph, 1, index);
        ASSERT_TRUE(r.Find(next));
        EXPECT_EQ(r.Find(next)->index, index);
    }
}

// A component holds one string: a file's path, a folder's or group's name.
TEST(BookComponents, AFileHasAPathAFolderOrGroupAName) {
    Session s;
    Book& b = *s.FindBook(s.NewBookOfFiles({"/a.mif"}));
    const ObjectId file = b.firstComponent;
    const ObjectId folder = b.AddComponent(0, kComponentFolder, "Part");
    const ObjectId group = b.AddComponent(folder, kComponentGroup, "Appendices");
    const struct {
        ObjectId component;
        std::int32_t prop;
        const char* expected;
    } cases[] = {
        {file, kPropPath, "/a.mif"}, {file, kPropName, ""},  {folder, kPropPath, ""},
        {folder, kPropName, "Part"}, {group, kPropPath, ""}, {group, kPropName, "Appendices"},
    };
    for (const auto& c : cases) {
        std::string value = "unset";
        EXPECT_EQ(s.GetString(b.id(), c.component, c.prop, &value), kOk);
        EXPECT_EQ(value, c.expected) << c.component << " " << c.prop;
    }
}

TEST(SessionProps, ApplicationAndDocumentList) {
    Session s;
    s.installDir = "/opt/host";
    const ObjectId a = NewCustomDoc(s);
    const ObjectId b = NewCustomDoc(s);
    s.activeDocument = b;
    EXPECT_EQ(IdOf(s, 0, 0, kPropActiveDoc), b);
    EXPECT_EQ(IdOf(s, 0, 0, kPropActiveBook), 0u);
    EXPECT_EQ(Chain(s, 0, IdOf(s, 0, 0, kPropFirstOpenDoc), kPropNextOpenDoc),
              (std::vector<ObjectId>{a, b}));
    std::string dir;
    EXPECT_EQ(s.GetString(0, 0, kPropInstallDir, &dir), kOk);
    EXPECT_EQ(dir, "/opt/host");
    EXPECT_EQ(s.GetString(a, a, kPropPath, &dir), kOk);
    EXPECT_EQ(dir, "");

    s.Close(b, 1);
    EXPECT_EQ(IdOf(s, 0, 0, kPropActiveDoc), 0u);
    EXPECT_EQ(Chain(s, 0, IdOf(s, 0, 0, kPropFirstOpenDoc), kPropNextOpenDoc),
              (std::vector<ObjectId>{a}));
}

TEST(SessionProps, ErrorsForUnknownPropertiesTypesAndReadOnly) {
    Session s;
    const ObjectId doc = NewCustomDoc(s);
    const ObjectId para = LastParagraph(s, doc);
    struct Case {
        const char* what;
        std::int32_t result;
        std::int32_t expected;
    };
    ObjectId id = 0;
    std::int32_t i = 0;
    std::string str;
    TextRange range{};
    const Case cases[] = {
        {"unknown paragraph property", s.GetId(doc, para, 4242, &id), kErrBadProperty},
        {"int read as id", s.GetId(doc, para, kPropTextClass, &id), kErrBadPropType},
        {"id read as string", s.GetString(doc, para, kPropNextParagraph, &str), kErrBadPropType},
        {"selection read as int", s.GetInt(0, doc, kPropSelection, &i), kErrBadPropType},
        {"range of a paragraph", s.GetTextRange(doc, para, kPropSelection, &range),
         kErrBadProperty},
        {"next paragraph is read-only", s.SetId(doc, para, kPropNextParagraph, 0), kErrReadOnly},
        {"path is read-only", s.SetString(0, doc, kPropPath, "x"), kErrReadOnly},
        {"unknown application property", s.GetInt(0, 0, 4242, &i), kErrBadProperty},
        {"install dir is read-only", s.SetString(0, 0, kPropInstallDir, "x"), kErrReadOnly},
        {"status text of no book", s.SetString(0, 0, kPropStatusText, ""), kErrBadProperty},
        {"bad document argument", s.GetId(0x01000099, para, kPropNextParagraph, &id),
         kErrBadDocument},
        {"object 0 with a document", s.GetId(doc, 0, kPropFirstFlow, &id), kErrBadObject},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.result, c.expected) << c.what;
    }
}

// A session that only watches its events keeps none of them, so that a long book walk leaves
// nothing behind per file; watching sees each one either way.
TEST(SessionProps, EventsAreKeptOnlyWhenAsked) {
    for (const bool keep : {true, false}) {
        Session s;
        s.keepEvents = keep;
        std::vector<std::string> seen;
        s.onEvent = [&seen](const HostEvent& e) { seen.push_back(e.text); };
        const ObjectId doc = NewCustomDoc(s);
        s.events.clear();
        seen.clear();
        EXPECT_EQ(s.SetInt(0, 0, kPropDisplayUpdating, 0), kOk);
        EXPECT_EQ(s.Redisplay(doc), kOk);
        EXPECT_EQ(seen.size(), 2u) << keep;
        EXPECT_EQ(s.events.size(), keep ? 2u : 0u);
    }
}

// Documents left to the end of the process are closed for the session and stay reachable: the
// leak checks of the sanitizer and valgrind runs report nothing for them.
TEST(SessionProps, DocumentsLeftToExitAreClosedNotLost) {
    Session s;
    const ObjectId doc = NewCustomDoc(s);
    s.LeaveModelToExit();
    EXPECT_TRUE(s.openDocuments().empty());
    EXPECT_EQ(s.FindDocument(doc), nullptr);
}

TEST(SessionProps, SettableIntsAreRecorded) {
    Session s;
    const ObjectId doc = NewCustomDoc(s);
    const ObjectId para = LastParagraph(s, doc);
    EXPECT_EQ(s.SetInt(0, 0, kPropDisplayUpdating, 0), kOk);
    EXPECT_EQ(IntOf(s, 0, 0, kPropDisplayUpdating), 0);
    EXPECT_EQ(s.SetInt(0, 0, kPropDisplayUpdating, 1), kOk);
    EXPECT_EQ(s.Redisplay(doc), kOk);
    EXPECT_EQ(s.SetInt(0, doc, kPropShown, 0), kOk);
    EXPECT_EQ(s.Redisplay(0), kErrBadDocument);
    ASSERT_EQ(s.events.size(), 4u);
    EXPECT_EQ(s.events[0].type, EventType::DisplayUpdating);
    EXPECT_EQ(s.events[0].value, 0);
    EXPECT_EQ(s.events[1].value, 1);
    EXPECT_EQ(s.events[2].type, EventType::Redisplay);
    EXPECT_EQ(s.events[3].type, EventType::Shown);
    EXPECT_EQ(IntOf(s, 0, doc, kPropShown), 0);

    EXPECT_EQ(s.SetInt(doc, para, kPropTextClass, 0), kOk);
    EXPECT_EQ(s.SetInt(doc, para, kPropLocked, 1), kOk);
    EXPECT_EQ(IntOf(s, doc, para, kPropTextClass), 0);
    EXPECT_EQ(IntOf(s, doc, para, kPropLocked), 1);
}

// A paragraph keeps its text class and lock in a byte each: a value that does not fit is refused
// and the one before stays.
TEST(SessionProps, ParagraphBytesRefuseWhatDoesNotFit) {
    const struct {
        std::int32_t prop;
        std::int32_t value;
        std::int32_t status;
        std::int32_t after;
    } cases[] = {
        {kPropTextClass, 255, kOk, 255},         {kPropTextClass, 256, kErrBadValue, 1},
        {kPropTextClass, -1, kErrBadValue, 1},   {kPropLocked, 1, kOk, 1},
        {kPropLocked, 0x10000, kErrBadValue, 0},
    };
    for (const auto& c : cases) {
        Session s;
        const ObjectId doc = NewCustomDoc(s);
        const ObjectId para = LastParagraph(s, doc);
        EXPECT_EQ(s.SetInt(doc, para, c.prop, c.value), c.status) << c.prop << " " << c.value;
        EXPECT_EQ(IntOf(s, doc, para, c.prop), c.after) << c.prop << " " << c.value;
    }
}

TEST(Selection, AnyRangeIsStoredEvenObjectZero) {
    Session s;
    const ObjectId doc = NewCustomDoc(s);
    const ObjectId para = LastParagraph(s, doc);
    TextRange r{};
    EXPECT_EQ(s.GetTextRange(0, doc, kPropSelection, &r), kOk);
    EXPECT_EQ(r.begin.obj, para); // a new document's insertion point is in its one paragraph
    const TextRange cases[] = {
        {{0, 0}, {0, 0}},
        {{0, 17}, {para, 3}},
        {{para, kTextOffsetEnd}, {para, kTextOffsetEnd}},
        {{0xDEADBEEF, -5}, {0, 0}},
    };
    for (const TextRange& c : cases) {
        EXPECT_EQ(s.SetTextRange(0, doc, kPropSelection, c), kOk);
        EXPECT_EQ(s.GetTextRange(doc, doc, kPropSelection, &r), kOk);
        EXPECT_EQ(r.begin.obj, c.begin.obj);
        EXPECT_EQ(r.begin.offset, c.begin.offset);
        EXPECT_EQ(r.end.obj, c.end.obj);
        EXPECT_EQ(r.end.offset, c.end.offset);
    }
}

TEST(AddText, SplitsAtLineFeedsAndReturnsTheLocationAfter) {
    struct Case {
        const char* initial;
        std::int32_t offset;
        const char* inserted;
        std::vector<std::string> paragraphs;
        int afterPara; // index into the resulting chain
        std::int32_t afterOffset;
    };
    const Case cases[] = {
        {"", 0, "Hello", {"Hello"}, 0, 5},
        {"", 0, "Hello\n", {"Hello", ""}, 1, 0},
        {"abcdef", 3, "X\nY", {"abcX", "Ydef"}, 1, 1},
        {"abc", kTextOffsetEnd, "\n\n", {"abc", "", ""}, 2, 0},
        {"abc", 0, "\nx", {"", "xabc"}, 1, 1},
        {"abc", 3, "", {"abc"}, 0, 3},
    };
    for (const Case& c : cases) {
        Session s;
        DocBuilder b(s);
        const ObjectId frame = b.TextFrame(b.Page());
        const ObjectId flow = b.Flow();
        const ObjectId p = b.Para(flow, frame, c.initial, {"Heading1", 1, 0});
        const ObjectId last = b.Para(flow, frame, "tail");
        TextLoc after{};
        ASSERT_EQ(s.AddText(b.id(), {p, c.offset}, c.inserted, &after), kOk) << c.inserted;
        std::vector<std::string> expected = c.paragraphs;
        expected.push_back("tail");
        const std::vector<ObjectId> chain =
            Chain(s, b.id(), IdOf(s, b.id(), frame, kPropFirstParagraph), kPropNextParagraph);
        EXPECT_EQ(ParagraphTexts(s, b.id(), chain.front()), expected) << c.inserted;
        EXPECT_EQ(after.obj, chain[static_cast<std::size_t>(c.afterPara)]) << c.inserted;
        EXPECT_EQ(after.offset, c.afterOffset) << c.inserted;
        for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
            // New paragraphs share the format and the frame of the one they split from.
            std::string format;
            s.GetString(b.id(), chain[i], kPropName, &format);
            EXPECT_EQ(format, "Heading1");
            EXPECT_EQ(IdOf(s, b.id(), chain[i], kPropTextFrame), frame);
        }
        EXPECT_EQ(IdOf(s, b.id(), frame, kPropLastParagraph), last);
    }
}

TEST(AddText, AppendingAtTheEndOfAFlowMovesItsLastParagraph) {
    Session s;
    const ObjectId doc = NewCustomDoc(s);
    for (const char* text : {"Words", "alpha", "beta"}) {
        const ObjectId para = LastParagraph(s, doc);
        ASSERT_EQ(s.SetTextRange(0, doc, kPropSelection, {{para, 0}, {para, 0}}), kOk);
        TextLoc after{};
        ASSERT_EQ(s.AddText(doc, {para, 0}, text, &after), kOk);
        ASSERT_EQ(s.AddText(doc, after, "\n", &after), kOk);
        EXPECT_EQ(after.obj, LastParagraph(s, doc));
    }
    const ObjectId frame = IdOf(s, doc, IdOf(s, 0, doc, kPropMainFlow), kPropFirstTextFrame);
    EXPECT_EQ(ParagraphTexts(s, doc, IdOf(s, doc, frame, kPropFirstParagraph)),
              (std::vector<std::string>{"Words", "alpha", "beta", ""}));
}

TEST(AddText, InvalidLocationsAreHostErrors) {
    Session s;
    DocBuilder b(s);
    const ObjectId page = b.Page();
    const ObjectId p = b.Para(b.Flow(), b.TextFrame(page), "abc");
    const ObjectId line = b.TextLine(page, "Header");
    const ObjectId other = NewCustomDoc(s);
    TextLoc after{1, 1};
    EXPECT_EQ(s.AddText(b.id(), {p, 4}, "x", &after), kErrBadValue);
    EXPECT_EQ(after.obj, 0u);
    EXPECT_EQ(s.AddText(b.id(), {p, -1}, "x", &after), kErrBadValue);
    EXPECT_EQ(s.AddText(b.id(), {0, 0}, "x", &after), kErrBadValue);
    EXPECT_EQ(s.AddText(other, {p, 0}, "x", &after), kErrBadValue);
    EXPECT_EQ(s.AddText(0, {p, 0}, "x", &after), kErrBadDocument);
    EXPECT_EQ(s.AddText(b.id(), {line, 0}, "a\nb", &after), kErrBadValue);
    EXPECT_EQ(s.AddText(b.id(), {line, kTextOffsetEnd}, " 1", &after), kOk);
    EXPECT_EQ(TextOf(s, b.id(), line), "Header 1");
}

TEST(GetText, StringItemsPerRunAndAnchorsOnRequest) {
    Session s;
    DocBuilder b(s);
    const ObjectId frame = b.TextFrame(b.Page());
    const ObjectId p = b.Para(b.Flow(), frame, "One ");
    b.Run(p, "two");
    const ObjectId fn = b.Footnote(p, {"Note."});
    b.Run(p, " three");
    const ObjectId doc = b.id();

    std::vector<TextPiece> items;
    ASSERT_EQ(s.GetText(doc, {{p, 0}, {p, kTextOffsetEnd}}, kItemString, &items), kOk);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "One ");
    EXPECT_EQ(items[1].offset, 4);
    EXPECT_EQ(items[1].text, "two");
    EXPECT_EQ(items[2].text, " three");

    ASSERT_EQ(s.GetText(doc, {{p, 0}, {p, kTextOffsetEnd}},
                        kItemString | kItemFootnoteAnchor | kItemParagraphEnd, &items),
              kOk);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[2].dataType, kItemFootnoteAnchor);
    EXPECT_EQ(items[2].value, fn);
    EXPECT_EQ(items[2].offset, 7);
    EXPECT_EQ(items[4].dataType, kItemParagraphEnd);
    EXPECT_EQ(items[4].offset, 13);

    // A partial range clips the runs.
    ASSERT_EQ(s.GetText(doc, {{p, 2}, {p, 6}}, kItemString, &items), kOk);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "e ");
    EXPECT_EQ(items[1].text, "tw");

    EXPECT_EQ(s.GetText(doc, {{p, 3}, {p, 2}}, kItemString, &items), kErrBadValue);
    EXPECT_EQ(s.GetText(doc, {{p, 0}, {0, 0}}, kItemString, &items), kErrBadValue);
    EXPECT_TRUE(items.empty());
}

// Both ends of a range are checked against the one text object, each against its own offset.
TEST(GetText, RangesOutsideTheTextAreRefused) {
    Session s;
    DocBuilder b(s);
    const ObjectId p = b.Para(b.Flow(), b.TextFrame(b.Page()), "Thirteen byte");
    const ObjectId doc = b.id();
    struct Case {
        const char* name;
        std::int32_t begin, end;
        std::int32_t error;
    };
    const Case cases[] = {
        {"whole text", 0, kTextOffsetEnd, kOk},
        {"empty range at the end", 13, 13, kOk},
        {"end past the text", 0, 14, kErrBadValue},
        {"begin past the text", 14, kTextOffsetEnd, kErrBadValue},
        {"negative begin", -1, 3, kErrBadValue},
        {"negative end", 0, -1, kErrBadValue},
        {"begin after end", 5, 4, kErrBadValue},
        {"end before an end-of-text begin", kTextOffsetEnd, 12, kErrBadValue},
    };
    for (const Case& c : cases) {
        std::vector<TextPiece> items;
        EXPECT_EQ(s.GetText(doc, {{p, c.begin}, {p, c.end}}, kItemString, &items), c.error)
            << c.name;
    }
}

// Lookups answer for the objects as they are now, whatever was looked up before: every case
// looks an object up first, then changes the session, then looks the same id up again.
TEST(SessionIds, ALookupAfterAChangeSeesTheChange) {
    struct Case {
        const char* name;
        std::function<void()> run;
    };
    const Case cases[] = {
        {"a closed document's paragraph is unknown",
         [] {
             Session s;
             std::vector<ObjectId> a;
             const ObjectId doc = DocOfParagraphs(s, 3, &a);
             std::uint32_t owner = 0, index = 0;
             ASSERT_TRUE(s.Locate(a[1], &owner, &index));
             EXPECT_EQ(index, 1u);
             ASSERT_EQ(s.Close(doc, 1), kOk);
             EXPECT_FALSE(s.Locate(a[1], &owner, &index));
         }},
        {"a released serial given again names the new paragraph",
         [] {
             Session s(8); // 8 serials a kind: the second document gets the first's again
             std::vector<ObjectId> a, c;
             const ObjectId docA = DocOfParagraphs(s, 4, &a);
             EXPECT_EQ(TextOf(s, docA, a[0]), "");
             ASSERT_EQ(s.Close(docA, 1), kOk);
             const ObjectId docC = DocOfParagraphs(s, 8, &c);
             ASSERT_NE(std::find(c.begin(), c.end(), a[0]), c.end());
             TextLoc after{};
             ASSERT_EQ(s.AddText(docC, {a[0], 0}, "reused", &after), kOk);
             EXPECT_EQ(TextOf(s, docC, a[0]), "reused");
         }},
        {"a document adopted by another session is gone from the first",
         [] {
             Session from, to;
             DocBuilder b(from);
             const ObjectId p = b.Para(b.Flow(), b.TextFrame(b.Page()), "Moved.");
             std::uint32_t owner = 0, index = 0;
             ASSERT_TRUE(from.Locate(p, &owner, &index));
             const ObjectId moved = to.AdoptDocument(from, b.id());
             ASSERT_NE(moved, 0u);
             EXPECT_FALSE(from.Locate(p, &owner, &index));
             const Document* d = to.FindDocument(moved);
             ASSERT_NE(d, nullptr);
             EXPECT_EQ(TextOf(to, moved, d->paras.at(0).id), "Moved.");
         }},
        {"a closed book's component is unknown",
         [] {
             Session s;
             const ObjectId book = s.NewBookOfFiles({"a.mif"});
             const ObjectId first = IdOf(s, 0, book, kPropFirstComponent);
             std::uint32_t owner = 0, index = 0;
             ASSERT_TRUE(s.Locate(first, &owner, &index));
             ASSERT_EQ(s.Close(book, 1), kOk);
             EXPECT_FALSE(s.Locate(first, &owner, &index));
         }},
        {"documents left to the end of the process are unknown",
         [] {
             Session s;
             std::vector<ObjectId> a;
             DocOfParagraphs(s, 2, &a);
             std::uint32_t owner = 0, index = 0;
             ASSERT_TRUE(s.Locate(a[0], &owner, &index));
             s.LeaveModelToExit();
             EXPECT_FALSE(s.Locate(a[0], &owner, &index));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.run();
    }
}

TEST(Formats, NamedFormatPropsCopyOntoAParagraph) {
    Session s;
    const ObjectId doc = NewCustomDoc(s);
    const ObjectId para = LastParagraph(s, doc);
    ObjectId format = 0;
    for (const char* name : {"Heading1", "Heading2", "Body", "CellHeading", "CellBody"}) {
        EXPECT_EQ(s.GetNamedObject(doc, kNamedPgfFormat, name, &format), kOk) << name;
        EXPECT_EQ(KindOf(format), kKindPgfFormat);
    }
    EXPECT_EQ(s.GetNamedObject(doc, kNamedPgfFormat, "Missing", &format), kErrNameNotFound);
    EXPECT_EQ(format, 0u);
    EXPECT_EQ(s.GetNamedObject(0, kNamedPgfFormat, "Body", &format), kErrBadDocument);

    ASSERT_EQ(s.GetNamedObject(doc, kNamedPgfFormat, "CellBody", &format), kOk);
    EXPECT_EQ(s.SetMetric(doc, format, kPropFontSize, 10 * kMetricPoint), kOk);
    std::vector<PropEntry> props;
    ASSERT_EQ(s.GetProps(doc, format, &props), kOk);
    ASSERT_EQ(s.SetProps(doc, para, props), kOk);
    std::string name;
    s.GetString(doc, para, kPropName, &name);
    EXPECT_EQ(name, "CellBody");
    Metric size = 0;
    EXPECT_EQ(s.GetMetric(doc, para, kPropFontSize, &size), kOk);
    EXPECT_EQ(size, 10 * kMetricPoint);

    // A setting changed on the paragraph alone is an override: the format stays as it was.
    EXPECT_EQ(s.SetMetric(doc, para, kPropFontSize, 20 * kMetricPoint), kOk);
    EXPECT_EQ(s.GetMetric(doc, format, kPropFontSize, &size), kOk);
    EXPECT_EQ(size, 10 * kMetricPoint);
    EXPECT_EQ(s.GetProps(doc, doc, &props), kErrBadOperation);
}

TEST(CustomDoc, StructureAndBadGeometry) {
    Session s;
    const ObjectId doc = NewCustomDoc(s);
    const ObjectId flow = IdOf(s, 0, doc, kPropMainFlow);
    EXPECT_EQ(IdOf(s, 0, doc, kPropFirstFlow), flow);
    const ObjectId frame = IdOf(s, doc, flow, kPropFirstTextFrame);
    EXPECT_EQ(IdOf(s, doc, flow, kPropLastTextFrame), frame);
    EXPECT_EQ(KindOf(IdOf(s, doc, frame, kPropParent)), kKindBodyPage);
    const ObjectId para = IdOf(s, doc, frame, kPropFirstParagraph);
    EXPECT_EQ(IdOf(s, doc, frame, kPropLastParagraph), para);
    EXPECT_EQ(TextOf(s, doc, para), "");
    EXPECT_EQ(IntOf(s, 0, doc, kPropShown), 1);
    EXPECT_EQ(s.FindDocument(doc)->FindTableFormatIndex("Format A"), 0);

    CustomDocParams bad;
    bad.width = 100 * kMetricPoint;
    bad.height = 100 * kMetricPoint;
    bad.inside = bad.outside = 60 * kMetricPoint;
    ObjectId out = 5;
    EXPECT_EQ(s.CustomDoc(bad, &out), kErrBadValue);
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(s.openDocuments().size(), 1u);
}

TEST(Books, ComponentTreeAndStatusText) {
    Session s;
    BookBuilder bb(s, "/books/manual.book");
    const ObjectId folder = bb.Folder("Part 1");
    const ObjectId a = bb.File("/books/a.mif", folder);
    const ObjectId group = bb.Group("Appendices", folder);
    const ObjectId b = bb.File("/books/b.mif", group, true);
    const ObjectId c = bb.File("/books/c.mif");
    const ObjectId book = bb.id();
    EXPECT_EQ(IdOf(s, 0, book, kPropFirstComponent), folder);
    EXPECT_EQ(IntOf(s, book, folder, kPropComponentKind), kComponentFolder);
    EXPECT_EQ(IntOf(s, book, group, kPropComponentKind), kComponentGroup);
    EXPECT_EQ(IntOf(s, book, a, kPropComponentKind), kComponentFile);
    EXPECT_EQ(IdOf(s, book, folder, kPropFirstChild), a);
    EXPECT_EQ(IdOf(s, book, a, kPropNextComponent), group);
    EXPECT_EQ(IdOf(s, book, group, kPropNextComponent), 0u);
    EXPECT_EQ(IdOf(s, book, group, kPropFirstChild), b);
    EXPECT_EQ(IdOf(s, book, b, kPropParentComponent), group);
    EXPECT_EQ(IdOf(s, book, group, kPropParentComponent), folder);
    EXPECT_EQ(IdOf(s, book, folder, kPropNextComponent), c);
    EXPECT_EQ(IntOf(s, book, b, kPropExcluded), 1);
    EXPECT_EQ(IntOf(s, book, c, kPropExcluded), 0);
    std::string path;
    EXPECT_EQ(s.GetString(book, c, kPropPath, &path), kOk);
    EXPECT_EQ(path, "/books/c.mif");
    EXPECT_EQ(s.GetString(0, book, kPropPath, &path), kOk);
    EXPECT_EQ(path, "/books/manual.book");

    EXPECT_EQ(s.SetString(0, book, kPropStatusText, "Examining: a.mif"), kOk);
    EXPECT_EQ(s.SetString(0, book, kPropStatusText, ""), kOk);
    ASSERT_EQ(s.events.size(), 2u);
    EXPECT_EQ(s.events[0].type, EventType::StatusText);
    EXPECT_EQ(s.events[0].text, "Examining: a.mif");
    EXPECT_EQ(s.events[1].text, "");

    // A component is an object of its book only.
    const ObjectId doc = NewCustomDoc(s);
    ObjectId id = 0;
    EXPECT_EQ(s.GetId(doc, a, kPropNextComponent, &id), kErrBadObject);
    s.Close(book, 1);
    EXPECT_EQ(s.GetId(0, a, kPropNextComponent, &id), kErrBadObject);
}

} // namespace
} // namespace lxhost

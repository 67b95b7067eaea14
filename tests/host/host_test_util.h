// Helpers for the host tests: read the model through the host operations the way a client does.
#pragma once

#include "host/model/model.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace lxhost::test {

// A folder of the system's temporary folder for the running test's files, named by prefix, the
// test and the clock: test processes run side by side (ctest -j, a sanitizer suite beside the
// plain one, two checkouts), and an object's address or the test's name alone is the same in
// two of them.
inline std::filesystem::path ScratchFolder(const std::string& prefix) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::filesystem::temp_directory_path() /
           (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
            std::to_string(ticks));
}

// The text of a paragraph or text line: its string items joined.
inline std::string TextOf(Session& s, ObjectId doc, ObjectId obj) {
    std::vector<TextPiece> items;
    s.GetText(doc, {{obj, 0}, {obj, kTextOffsetEnd}}, kItemString, &items);
    std::string out;
    for (const TextPiece& t : items) {
        out += t.text;
    }
    return out;
}

inline ObjectId IdOf(Session& s, ObjectId doc, ObjectId obj, std::int32_t prop) {
    ObjectId id = 0;
    s.GetId(doc, obj, prop, &id);
    return id;
}

inline std::int32_t IntOf(Session& s, ObjectId doc, ObjectId obj, std::int32_t prop) {
    std::int32_t v = 0;
    s.GetInt(doc, obj, prop, &v);
    return v;
}

// A chain of objects: first, then prop of each, until 0 (bounded, so a broken chain fails
// the test instead of hanging it).
inline std::vector<ObjectId> Chain(Session& s, ObjectId doc, ObjectId first, std::int32_t prop) {
    std::vector<ObjectId> out;
    for (ObjectId id = first; id != 0 && out.size() < 100000; id = IdOf(s, doc, id, prop)) {
        out.push_back(id);
    }
    return out;
}

inline std::vector<std::string> ParagraphTexts(Session& s, ObjectId doc, ObjectId first) {
    std::vector<std::string> out;
    for (ObjectId p : Chain(s, doc, first, kPropNextParagraph)) {
        out.push_back(TextOf(s, doc, p));
    }
    return out;
}

// The kind at which a walk up the parent links (774, then 880) stops, the way the plug-in
// decides whether text is counted.
inline int TopContainerKind(Session& s, ObjectId doc, ObjectId start) {
    int kind = 19;
    ObjectId current = start;
    for (int guard = 0; guard < 1000; ++guard) {
        if (kind == 6 || kind == 7 || kind == 8) {
            return kind;
        }
        ObjectId parent = IdOf(s, doc, current, kPropParent);
        if (parent == 0) {
            parent = IdOf(s, doc, current, kPropPage);
        }
        if (parent == 0) {
            return kind;
        }
        kind = static_cast<int>(parent >> 24);
        current = parent;
        if (kind == 5) {
            return 5;
        }
    }
    return -1; // the host's parent links loop
}

// The texts that the plug-in's document walk admits, in walk order: flows whose first frame
// is on a body page, text lines on body pages, footnotes, and tables anchored on body pages.
inline std::vector<std::string> WalkedTexts(Session& s, ObjectId doc) {
    std::vector<std::string> out;
    auto chain = [&](ObjectId container) {
        for (ObjectId p :
             Chain(s, doc, IdOf(s, doc, container, kPropFirstParagraph), kPropNextParagraph)) {
            const int cls = IntOf(s, doc, p, kPropTextClass);
            if (cls == 1 || cls == 2) {
                out.push_back(TextOf(s, doc, p));
            }
        }
    };
    for (ObjectId f : Chain(s, doc, IdOf(s, 0, doc, kPropFirstFlow), kPropFlowNext)) {
        if (TopContainerKind(s, doc, IdOf(s, doc, f, kPropFirstTextFrame)) == 5) {
            chain(IdOf(s, doc, f, kPropFirstTextFrame));
        }
    }
    for (ObjectId g : Chain(s, doc, IdOf(s, 0, doc, kPropFirstGraphic), kPropNextGraphic)) {
        if (KindOf(g) == kKindTextLine && TopContainerKind(s, doc, g) == 5) {
            out.push_back(TextOf(s, doc, g));
        }
    }
    for (ObjectId fn : Chain(s, doc, IdOf(s, 0, doc, kPropFirstFootnote), kPropNextFootnote)) {
        chain(fn);
    }
    for (ObjectId t : Chain(s, doc, IdOf(s, 0, doc, kPropFirstTable), kPropNextTable)) {
        TextLoc anchor{};
        s.GetTextLoc(doc, t, kPropAnchor, &anchor);
        if (TopContainerKind(s, doc, IdOf(s, doc, anchor.obj, kPropTextFrame)) != 5) {
            continue;
        }
        chain(t);
        for (ObjectId r : Chain(s, doc, IdOf(s, doc, t, kPropFirstRow), kPropNextRow)) {
            for (ObjectId c : Chain(s, doc, IdOf(s, doc, r, kPropFirstCell), kPropNextCell)) {
                if (IntOf(s, doc, c, kPropCellShown) == 1) {
                    chain(c);
                }
            }
        }
    }
    return out;
}

// Whether this build reads the file's format: the Windows build has neither cmark-gfm nor
// libxml2, so its Markdown, HTML and XML cases are skipped there.
inline bool ReaderBuiltFor(const std::string& path) {
    const std::string ext = path.substr(path.find_last_of('.') + 1);
#if !defined(LX_HAVE_CMARK_GFM)
    if (ext == "md")
        return false;
#endif
#if !defined(LX_HAVE_LIBXML2)
    if (ext == "html" || ext == "htm" || ext == "xml" || ext == "dita" || ext == "ditamap")
        return false;
#endif
    return !ext.empty();
}

} // namespace lxhost::test

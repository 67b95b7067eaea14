// The document walk against a host whose objects are wired property by property, so that every
// admission rule can be set up on its own.
#include "analysis/traversal.h"

#include "wired_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr ObjectId kDoc = kWiredDoc;
const ObjectId kBody = Id(kKindBodyPage, 1);
const ObjectId kMaster = Id(kKindMasterPage, 1);
const ObjectId kReference = Id(kKindReferencePage, 1);
const ObjectId kHidden = Id(kKindHiddenPage, 1);

class Walk : public WiredHost {
  protected:
    std::vector<ObjectId> Visited(bool filter) {
        std::vector<ObjectId> seen;
        WalkTextObjects(
            kDoc, filter,
            [](ObjectId, ObjectId object, void* context) {
                static_cast<std::vector<ObjectId>*>(context)->push_back(object);
            },
            &seen);
        return seen;
    }
    // The one walk that marks what the filter takes: every object of the walk without the
    // filter in its order, those marked admitted the walk with the filter in its order.
    void ExpectTheMarkedWalkAgrees() {
        std::vector<std::pair<ObjectId, bool>> seen;
        WalkMarkedTextObjects(
            kDoc,
            [](ObjectId, ObjectId object, bool admitted, void* context) {
                static_cast<std::vector<std::pair<ObjectId, bool>>*>(context)->push_back(
                    {object, admitted});
            },
            &seen);
        std::vector<ObjectId> all, admitted;
        for (const auto& [object, taken] : seen) {
            all.push_back(object);
            if (taken)
                admitted.push_back(object);
        }
        EXPECT_EQ(all, Visited(false));
        EXPECT_EQ(admitted, Visited(true));
    }
};

TEST_F(Walk, TopContainerKindStopsAtTheFirstPageKind) {
    struct Case {
        std::vector<ObjectId> parents; // the chain of parent links above the start
        bool viaPageProperty;          // link through 880 instead of 774
        std::uint32_t kind;
    };
    const Case cases[] = {
        {{}, false, 19},
        {{kBody}, false, kKindBodyPage},
        {{kMaster}, false, kKindMasterPage},
        {{Id(kFrame, 9), kReference}, false, kKindReferencePage},
        {{Id(kGraphic, 9), Id(kFrame, 8), kBody}, false, kKindBodyPage},
        {{kHidden, kBody}, false, kKindHiddenPage},
        {{Id(kFrame, 9)}, false, kFrame},
        {{kBody}, true, kKindBodyPage},
    };
    int serial = 100;
    for (const Case& c : cases) {
        ObjectId start = Id(kFrame, static_cast<std::uint32_t>(serial++));
        ObjectId current = start;
        for (ObjectId parent : c.parents) {
            Link(current, c.viaPageProperty ? kPropPage : kPropParent, parent);
            current = parent;
        }
        EXPECT_EQ(TopContainerKind(kDoc, start), c.kind) << "case " << serial;
        for (ObjectId p : c.parents) { // unwire for the next case
            Link(p, kPropParent, 0);
            Link(p, kPropPage, 0);
        }
    }
}

TEST_F(Walk, OnlyTheFirstTextFrameOfAFlowDecides) {
    ObjectId f1 = Id(kFlow, 1), f2 = Id(kFlow, 2), f3 = Id(kFlow, 3), f4 = Id(kFlow, 4);
    Flows({f1, f2, f3, f4});
    struct FlowCase {
        ObjectId flow;
        ObjectId page; // 0: the frame has no parent
        ObjectId paragraph;
    };
    const FlowCase flows[] = {{f1, kBody, Id(kPara, 1)},
                              {f2, kMaster, Id(kPara, 2)},
                              {f3, 0, Id(kPara, 3)},
                              {f4, kHidden, Id(kPara, 4)}};
    std::uint32_t frameSerial = 1;
    for (const FlowCase& c : flows) {
        ObjectId frame = Id(kFrame, frameSerial++);
        Link(c.flow, kPropFirstTextFrame, frame);
        if (c.page)
            Link(frame, kPropParent, c.page);
        Chain(frame, {c.paragraph});
    }
    EXPECT_EQ(Visited(true), std::vector<ObjectId>{Id(kPara, 1)});
}

TEST_F(Walk, ParagraphFilterAdmitsTextClassesOneAndTwo) {
    ObjectId flow = Id(kFlow, 1), frame = Id(kFrame, 1);
    Flows({flow});
    Link(flow, kPropFirstTextFrame, frame);
    Link(frame, kPropParent, kBody);
    std::vector<ObjectId> ps = {Id(kPara, 1), Id(kPara, 2), Id(kPara, 3), Id(kPara, 4)};
    Chain(frame, ps);
    Int(ps[1], kPropTextClass, 2);
    Int(ps[2], kPropTextClass, 0);
    Int(ps[3], kPropTextClass, 3);
    EXPECT_EQ(Visited(true), (std::vector<ObjectId>{ps[0], ps[1]}));
    EXPECT_EQ(Visited(false), ps);
    ExpectTheMarkedWalkAgrees();
}

TEST_F(Walk, TextLinesOnBodyPagesFootnotesAlwaysAndTheFourPassesInOrder) {
    ObjectId flow = Id(kFlow, 1), frame = Id(kFrame, 1);
    Flows({flow});
    Link(flow, kPropFirstTextFrame, frame);
    Link(frame, kPropParent, kBody);
    Chain(frame, {Id(kPara, 1)});

    // Graphics: a body-page text line, one in an anchored frame on a body page, one on a master
    // page, and a graphic that is not a text line.
    ObjectId line1 = Id(kKindTextLine, 1), line2 = Id(kKindTextLine, 2),
             line3 = Id(kKindTextLine, 3), rect = Id(kGraphic, 1), anchored = Id(kFrame, 7);
    Link(kDoc, kPropFirstGraphic, line1);
    Link(line1, kPropNextGraphic, line2);
    Link(line2, kPropNextGraphic, line3);
    Link(line3, kPropNextGraphic, rect);
    Link(line1, kPropPage, kBody);
    Link(line2, kPropParent, anchored);
    Link(anchored, kPropParent, kBody);
    Link(line3, kPropPage, kMaster);
    Link(rect, kPropPage, kBody);
    Int(line1, kPropTextClass, 0); // text lines are never filtered

    // A footnote with no container at all.
    ObjectId note = Id(kFootnote, 1);
    Link(kDoc, kPropFirstFootnote, note);
    Chain(note, {Id(kPara, 20)});

    EXPECT_EQ(Visited(true), (std::vector<ObjectId>{Id(kPara, 1), line1, line2, Id(kPara, 20)}));
    ExpectTheMarkedWalkAgrees();
}

TEST_F(Walk, TablesNeedABodyAnchorAndShownCells) {
    ObjectId flow = Id(kFlow, 1), frame = Id(kFrame, 1), masterFrame = Id(kFrame, 2);
    Flows({flow});
    Link(flow, kPropFirstTextFrame, frame);
    Link(frame, kPropParent, kBody);
    Link(masterFrame, kPropParent, kMaster);
    ObjectId anchorPara = Id(kPara, 1), masterPara = Id(kPara, 2);
    Chain(frame, {anchorPara});
    Link(anchorPara, kPropContainingFrame, frame);
    Link(masterPara, kPropContainingFrame, masterFrame);

    ObjectId t1 = Id(kTable, 1), t2 = Id(kTable, 2);
    Link(kDoc, kPropFirstTable, t1);
    Link(t1, kPropNextTable, t2);
    host_.SetValue(t1, kPropTableAnchor, {TextLoc{anchorPara, 0}});
    host_.SetValue(t2, kPropTableAnchor, {TextLoc{masterPara, 0}});
    Chain(t1, {Id(kPara, 10)}); // a title paragraph
    Chain(t2, {Id(kPara, 90)});

    ObjectId r1 = Id(kRow, 1), r2 = Id(kRow, 2);
    Link(t1, kPropFirstRow, r1);
    Link(r1, kPropNextRow, r2);
    ObjectId c11 = Id(kCell, 1), c12 = Id(kCell, 2), c21 = Id(kCell, 3);
    Link(r1, kPropFirstCell, c11);
    Link(c11, kPropNextCell, c12);
    Link(r2, kPropFirstCell, c21);
    Int(c11, kPropCellShown, 0); // covered by a straddle
    Int(c12, kPropCellShown, 1);
    Int(c21, kPropCellShown, 1);
    Chain(c11, {Id(kPara, 11)});
    Chain(c12, {Id(kPara, 12)});
    Chain(c21, {Id(kPara, 21)});

    EXPECT_EQ(Visited(true),
              (std::vector<ObjectId>{anchorPara, Id(kPara, 10), Id(kPara, 12), Id(kPara, 21)}));
    ExpectTheMarkedWalkAgrees();
}

TEST_F(Walk, CountDocumentCountsOnlyParagraphsThatYieldedASentence) {
    ObjectId flow = Id(kFlow, 1), frame = Id(kFrame, 1);
    Flows({flow});
    Link(flow, kPropFirstTextFrame, frame);
    Link(frame, kPropParent, kBody);
    std::vector<ObjectId> ps = {Id(kPara, 1), Id(kPara, 2), Id(kPara, 3)};
    Chain(frame, ps);
    Text(ps[0], "The cat sat on the mat. It was happy.");
    Text(ps[1], "");
    Text(ps[2], "I. "); // a one-byte sentence is discarded

    ReadabilityCounts counts{};
    CountDocument(kDoc, &counts);
    EXPECT_EQ(counts.paragraphs, 1);
    EXPECT_EQ(counts.sentences, 2);
    EXPECT_EQ(counts.words, 9);

    ReadabilityCounts again = counts;
    CountDocument(kDoc, &again); // counts are only added to
    EXPECT_EQ(again.sentences, 4);
    EXPECT_EQ(again.paragraphs, 2);
}

TEST_F(Walk, ADisconnectedHostAddsNothing) {
    ClientShutdown();
    ReadabilityCounts counts{};
    CountDocument(kDoc, &counts);
    EXPECT_EQ(counts.words, 0);
    EXPECT_EQ(ApiErrno, kApiErrNotConnected);
    ASSERT_EQ(ClientConnect(&host_), 0);
}

} // namespace

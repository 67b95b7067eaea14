// The page kinds and parent links that decide which text a client's document walk counts.
#include "host/model/builder.h"
#include "host_test_util.h"

#include <gtest/gtest.h>

namespace lxhost {
namespace {

using test::IdOf;
using test::TopContainerKind;
using test::WalkedTexts;

TEST(ContainerRules, FlowsCountByTheirFirstFramesPage) {
    struct Case {
        Kind firstPage;
        Kind secondPage;
        bool counted;
    };
    const Case cases[] = {
        {kKindBodyPage, kKindBodyPage, true},       {kKindMasterPage, kKindBodyPage, false},
        {kKindReferencePage, kKindBodyPage, false}, {kKindHiddenPage, kKindBodyPage, false},
        {kKindBodyPage, kKindHiddenPage, true},
    };
    for (const Case& c : cases) {
        Session s;
        DocBuilder b(s);
        const ObjectId f1 = b.TextFrame(b.Page(c.firstPage));
        const ObjectId f2 = b.TextFrame(b.Page(c.secondPage));
        const ObjectId flow = b.Flow();
        b.Para(flow, f1, "First frame.");
        b.Para(flow, f2, "Second frame.");
        const std::vector<std::string> expected =
            c.counted ? std::vector<std::string>{"First frame.", "Second frame."}
                      : std::vector<std::string>{};
        EXPECT_EQ(WalkedTexts(s, b.id()), expected) << int(c.firstPage);
        EXPECT_EQ(TopContainerKind(s, b.id(), f1), int(c.firstPage));
    }
}

TEST(ContainerRules, TextLinesInFramesAndAnchoredFrames) {
    Session s;
    DocBuilder b(s);
    const ObjectId body = b.Page();
    const ObjectId master = b.Page(kKindMasterPage);
    const ObjectId bodyFrame = b.TextFrame(body);
    const ObjectId masterFrame = b.TextFrame(master);
    const ObjectId main = b.Flow();
    const ObjectId p = b.Para(main, bodyFrame, "Body text.");
    const ObjectId running = b.Flow("Running");
    const ObjectId mp = b.Para(running, masterFrame, "Master text.");

    const ObjectId onBody = b.TextLine(body, "On the body page");
    const ObjectId onMaster = b.TextLine(master, "Running header");
    const ObjectId inFrame = b.TextLine(b.GraphicFrame(body), "In a frame on the body page");
    const ObjectId anchored = b.AnchoredFrame(p);
    const ObjectId inAnchored = b.TextLine(anchored, "In an anchored frame");
    const ObjectId anchoredOnMaster = b.AnchoredFrame(mp);
    const ObjectId inMasterAnchored = b.TextLine(anchoredOnMaster, "Anchored on the master");
    b.Graphic(body, "Rectangle");
    const ObjectId loose = b.TextLine(b.GraphicFrame(0), "In a frame on no page");

    const ObjectId doc = b.id();
    EXPECT_EQ(IdOf(s, doc, onBody, kPropParent), 0u);
    EXPECT_EQ(IdOf(s, doc, onBody, kPropPage), body);
    EXPECT_EQ(IdOf(s, doc, anchored, kPropParent), bodyFrame);
    EXPECT_EQ(IdOf(s, doc, inAnchored, kPropParent), anchored);
    EXPECT_EQ(IdOf(s, doc, inAnchored, kPropPage), body);
    EXPECT_EQ(IdOf(s, doc, anchoredOnMaster, kPropParent), masterFrame);
    EXPECT_EQ(IdOf(s, doc, body, kPropParent), 0u);

    const struct {
        ObjectId line;
        int kind;
    } cases[] = {{onBody, 5},     {onMaster, 6},         {inFrame, 5},
                 {inAnchored, 5}, {inMasterAnchored, 6}, {loose, kKindGraphicFrame}};
    for (const auto& c : cases) {
        EXPECT_EQ(TopContainerKind(s, doc, c.line), c.kind) << test::TextOf(s, doc, c.line);
    }
    EXPECT_EQ(WalkedTexts(s, doc),
              (std::vector<std::string>{"Body text.", "On the body page",
                                        "In a frame on the body page", "In an anchored frame"}));
}

TEST(ContainerRules, FootnotesAlwaysAndTablesByTheirAnchor) {
    Session s;
    DocBuilder b(s);
    const ObjectId bodyFrame = b.TextFrame(b.Page());
    const ObjectId refFrame = b.TextFrame(b.Page(kKindReferencePage));
    const ObjectId p = b.Para(b.Flow(), bodyFrame, "Body.");
    const ObjectId r = b.Para(b.Flow("Ref"), refFrame, "Reference.");
    b.Footnote(r, {"Note on a reference page."});
    TableSpec shape;
    shape.columns = 2;
    shape.body = {{"counted", "hidden"}};
    shape.hidden = {{0, 1}};
    b.Table(p, shape);
    shape.body = {{"not counted", "x"}};
    b.Table(r, shape);
    EXPECT_EQ(WalkedTexts(s, b.id()),
              (std::vector<std::string>{"Body.", "Note on a reference page.", "counted"}));
}

TEST(ContainerRules, TextClassFiltersParagraphsButNotTextLines) {
    Session s;
    DocBuilder b(s);
    const ObjectId page = b.Page();
    const ObjectId flow = b.Flow();
    const ObjectId frame = b.TextFrame(page);
    b.Para(flow, frame, "Prose.");
    b.Para(flow, frame, "int main();", {"Code", 0, 0});
    b.Para(flow, frame, "Also prose.", {"Body", 2, 0});
    b.TextLine(page, "Caption");
    EXPECT_EQ(WalkedTexts(s, b.id()),
              (std::vector<std::string>{"Prose.", "Also prose.", "Caption"}));
}

} // namespace
} // namespace lxhost

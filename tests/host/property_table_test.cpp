// Every property of every kind of object, probed through GetProp and SetProp: which it answers,
// with what type, and which it lets a client write. The expected lines pin the property tables.
#include "host_test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace lxhost {
namespace {

constexpr std::int32_t kAllProps[] = {kPropName,           kPropPath,
                                      kPropLabel,          kPropActiveDoc,
                                      kPropActiveBook,     kPropFirstOpenDoc,
                                      kPropInstallDir,     kPropDisplayUpdating,
                                      kPropStatusText,     kPropSelection,
                                      kPropShown,          kPropNextOpenDoc,
                                      kPropFirstGraphic,   kPropFirstFootnote,
                                      kPropFirstTable,     kPropFirstFlow,
                                      kPropMainFlow,       kPropFirstComponent,
                                      kPropExcluded,       kPropNextComponent,
                                      kPropTextClass,      kPropLocked,
                                      kPropFontFamily,     kPropLeftIndent,
                                      kPropFirstIndent,    kPropRightIndent,
                                      kPropSpaceBefore,    kPropSpaceAfter,
                                      kPropLeading,        kPropAlignment,
                                      kPropAutoNumber,     kPropNumberFormat,
                                      kPropFontWeight,     kPropFontAngle,
                                      kPropFontSize,       kPropNextParagraph,
                                      kPropParent,         kPropNextGraphic,
                                      kPropAnchor,         kPropPage,
                                      kPropFirstParagraph, kPropLastParagraph,
                                      kPropCell,           kPropTextFrame,
                                      kPropNextFootnote,   kPropFlowNext,
                                      kPropFirstTextFrame, kPropLastTextFrame,
                                      kPropNextCell,       kPropColumn,
                                      kPropCellShown,      kPropNextRow,
                                      kPropFirstCell,      kPropTableOption,
                                      kPropNextTable,      kPropFirstRow,
                                      kPropLastRow,        kPropColumnWidths,
                                      kPropMenuNextItem,   kPropMenuFirstItem,
                                      kPropFirstChild,     kPropParentComponent,
                                      kPropComponentKind};

// "prop:get/type/set/wrong" for each property the object knows: the result of reading it, the
// type read (1 int, 2 metric, 3 string, 4 id, 5 metrics), the result of writing back what was read
// (or an int, when reading failed), and of writing a value of another type. Results: 0 done, -4 no
// such property, -5 another type, -6 read-only, -7 bad value.
std::string Probe(Session& s, ObjectId doc, ObjectId obj) {
    std::string out;
    for (std::int32_t prop : kAllProps) {
        PropValue v;
        const std::int32_t get = s.GetProp(doc, obj, prop, &v);
        if (get == kErrBadProperty) {
            continue;
        }
        if (get != kOk) {
            v = PropValue::Int(0);
        }
        const std::int32_t set = s.SetProp(doc, obj, prop, v);
        const PropValue other =
            v.type == PropType::String ? PropValue::Int(1) : PropValue::String("x");
        const std::int32_t wrong = s.SetProp(doc, obj, prop, other);
        out += std::to_string(prop) + ":" + std::to_string(get) + "/" +
               std::to_string(static_cast<int>(v.type)) + "/" + std::to_string(set) + "/" +
               std::to_string(wrong) + " ";
    }
    return out;
}

TEST(PropertyTables, EveryKindAnswersItsPropertiesWithTheirTypes) {
    Session s;
    CustomDocParams params;
    params.width = 576 * kMetricPoint;
    params.height = 792 * kMetricPoint;
    params.top = params.bottom = params.inside = params.outside = 72 * kMetricPoint;
    ObjectId doc = 0;
    ASSERT_EQ(s.CustomDoc(params, &doc), kOk);
    Document& d = *s.FindDocument(doc);
    const ObjectId flow = d.mainFlow;
    const ObjectId para = d.FindFlow(flow)->firstPara;
    const ObjectId frame = d.FindFlow(flow)->frames.front();
    const ObjectId bodyPage = d.pages.front().id;
    const ObjectId master = d.AddPage(kKindMasterPage, "Right");
    const ObjectId reference = d.AddPage(kKindReferencePage, "Ref");
    const ObjectId hidden = d.AddPage(kKindHiddenPage, "Hidden");
    const ObjectId graphicFrame = d.AddGraphicFrame(bodyPage);
    const ObjectId textLine = d.AddTextLine(graphicFrame);
    const ObjectId graphic = d.AddGraphic(bodyPage, "Rectangle");
    const ObjectId footnote = d.AddFootnote();
    d.AnchorFootnote(para, footnote);
    ObjectId table = 0;
    ASSERT_EQ(s.NewTable(doc, "Format A", 2, 1, 1, 0, {para, 0}, &table), kOk);
    const ObjectId row = d.FindTable(table)->firstRow;
    const ObjectId cell = d.cells[d.FindRow(row)->firstCell].id;
    const ObjectId cellPara = d.FindCell(cell)->firstPara;
    const ObjectId format = d.pgfFormats.front().id;
    const ObjectId tableFormat = d.tableFormats.front().id;
    const ObjectId book = s.NewBookOfFiles({"/a.mif"});
    Book& b = *s.FindBook(book);
    const ObjectId file = b.firstComponent;
    const ObjectId folder = b.AddComponent(0, kComponentFolder, "Part");

    const struct {
        const char* what;
        ObjectId doc, obj;
        const char* expected;
    } cases[] = {
        {"application", 0, 0, "51:0/4/-6/-6 52:0/4/-6/-6 53:0/4/-6/-6 89:0/3/-6/-6 92:0/1/0/-5 "},
        {"document", 0, doc,
         "20:0/3/-6/-6 109:-5/1/-4/-4 110:0/1/0/-5 111:0/4/-6/-6 112:0/4/-6/-6 119:0/4/-6/-6 "
         "120:0/4/-6/-6 121:0/4/-6/-6 422:0/4/-6/-6 "},
        {"flow", doc, flow,
         "2:0/3/-6/-6 972:0/4/-6/-6 1162:0/4/-6/-6 1169:0/4/-6/-6 1170:0/4/-6/-6 "},
        {"body page", doc, bodyPage, "2:0/3/-6/-6 774:0/4/-6/-6 880:0/4/-6/-6 "},
        {"master page", doc, master, "2:0/3/-6/-6 774:0/4/-6/-6 880:0/4/-6/-6 "},
        {"reference page", doc, reference, "2:0/3/-6/-6 774:0/4/-6/-6 880:0/4/-6/-6 "},
        {"hidden page", doc, hidden, "2:0/3/-6/-6 774:0/4/-6/-6 880:0/4/-6/-6 "},
        {"text frame", doc, frame,
         "774:0/4/-6/-6 786:0/4/-6/-6 880:0/4/-6/-6 972:0/4/-6/-6 973:0/4/-6/-6 "},
        {"graphic frame", doc, graphicFrame, "774:0/4/-6/-6 786:0/4/-6/-6 880:0/4/-6/-6 "},
        {"text line", doc, textLine, "774:0/4/-6/-6 786:0/4/-6/-6 880:0/4/-6/-6 "},
        {"graphic", doc, graphic, "774:0/4/-6/-6 786:0/4/-6/-6 880:0/4/-6/-6 "},
        {"paragraph", doc, para,
         "2:0/3/0/-5 577:0/1/0/-5 588:0/1/0/-5 600:0/3/0/-5 601:0/2/0/-5 602:0/2/0/-5 603:0/2/0/-5 "
         "604:0/2/0/-5 605:0/2/0/-5 606:0/2/0/-5 607:0/1/0/-5 608:0/1/0/-5 609:0/3/0/-5 "
         "610:0/1/0/-5 611:0/1/0/-5 615:0/2/0/-5 717:0/4/-6/-6 1000:0/4/-6/-6 1001:0/4/-6/-6 "},
        {"cell paragraph", doc, cellPara,
         "2:0/3/0/-5 577:0/1/0/-5 588:0/1/0/-5 600:0/3/0/-5 601:0/2/0/-5 602:0/2/0/-5 603:0/2/0/-5 "
         "604:0/2/0/-5 605:0/2/0/-5 606:0/2/0/-5 607:0/1/0/-5 608:0/1/0/-5 609:0/3/0/-5 "
         "610:0/1/0/-5 611:0/1/0/-5 615:0/2/0/-5 717:0/4/-6/-6 1000:0/4/-6/-6 1001:0/4/-6/-6 "},
        {"footnote", doc, footnote, "879:-5/1/-4/-4 972:0/4/-6/-6 1003:0/4/-6/-6 "},
        {"table", doc, table,
         "2:0/3/-6/-6 879:-5/1/-4/-4 972:0/4/-6/-6 1289:0/1/0/-5 1337:0/4/-6/-6 1338:0/4/-6/-6 "
         "1339:0/4/-6/-6 1345:0/5/0/-5 "},
        {"row", doc, row, "1245:0/4/-6/-6 1247:0/4/-6/-6 "},
        {"cell", doc, cell, "972:0/4/-6/-6 1202:0/4/-6/-6 1205:0/1/-6/-6 1218:0/1/-6/-6 "},
        {"paragraph format", doc, format,
         "2:0/3/0/-5 600:0/3/0/-5 601:0/2/0/-5 602:0/2/0/-5 603:0/2/0/-5 604:0/2/0/-5 605:0/2/0/-5 "
         "606:0/2/0/-5 607:0/1/0/-5 608:0/1/0/-5 609:0/3/0/-5 610:0/1/0/-5 611:0/1/0/-5 "
         "615:0/2/0/-5 "},
        {"table format", doc, tableFormat, "2:0/3/-6/-6 "},
        {"book", 0, book, "20:0/3/-6/-6 108:0/3/0/-5 491:0/4/-6/-6 "},
        {"file component", book, file,
         "2:0/3/-6/-6 20:0/3/-6/-6 520:0/1/0/-5 527:0/4/-6/-6 2324:0/4/-6/-6 2325:0/4/-6/-6 "
         "2329:0/1/-6/-6 "},
        {"folder component", 0, folder,
         "2:0/3/-6/-6 20:0/3/-6/-6 520:0/1/0/-5 527:0/4/-6/-6 2324:0/4/-6/-6 2325:0/4/-6/-6 "
         "2329:0/1/-6/-6 "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Probe(s, c.doc, c.obj), c.expected) << c.what;
    }
}

} // namespace
} // namespace lxhost

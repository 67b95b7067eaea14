// A client's property list handed to the host's SetProps: each kind of value read out of the
// client's structure onto a paragraph, and the values the model cannot take refused.
#include "host/api/host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using lxhost::Host;

// One entry of the list: a number with its tag, and a string or a list of numbers where the tag
// calls for one.
struct Entry {
    std::int32_t num;
    std::int32_t tag;
    std::int32_t ival;
    const char* sval;
    std::vector<std::int32_t> ints;
};

struct Case {
    const char* name;
    std::vector<Entry> entries;
    std::int32_t err;
    std::string format;
    std::string family;
    Metric size;
    std::string numbering;
};

constexpr Metric kPt = kMetricPoint;
constexpr std::int32_t kMetricTag = 2;
constexpr std::int32_t kBadPropType = -5; // the model's error for a value of another type

TEST(HostSetProps, EveryKindOfValueReachesTheParagraph) {
    const Case cases[] = {
        {"numbers",
         {{lxhost::kPropFontSize, kMetricTag, 10 * kPt, nullptr, {}}},
         0,
         "Body",
         "Times",
         10 * kPt,
         ""},
        {"strings",
         {{lxhost::kPropFontFamily, kTagString, 0, "Helvetica", {}},
          {lxhost::kPropNumberFormat, kTagString, 0, "<n+>", {}}},
         0,
         "Body",
         "Helvetica",
         12 * kPt,
         "<n+>"},
        {"a null string is empty",
         {{lxhost::kPropNumberFormat, kTagString, 0, nullptr, {}}},
         0,
         "Body",
         "Times",
         12 * kPt,
         ""},
        {"a format's whole list: its name first, then its settings",
         {{lxhost::kPropName, kTagString, 0, "CellBody", {}},
          {lxhost::kPropFontFamily, kTagString, 0, "Courier", {}},
          {lxhost::kPropFontSize, kMetricTag, 9 * kPt, nullptr, {}}},
         0,
         "CellBody",
         "Courier",
         9 * kPt,
         ""},
        {"a list of numbers for a number",
         {{lxhost::kPropFontSize, kTagInts, 0, nullptr, {1, 2}},
          {lxhost::kPropFontFamily, kTagString, 0, "Palatino", {}}},
         kBadPropType,
         "Body",
         "Palatino",
         12 * kPt,
         ""},
        {"a list of strings",
         {{lxhost::kPropFontFamily, kTagStrings, 0, nullptr, {}}},
         kBadPropType,
         "Body",
         "Times",
         12 * kPt,
         ""},
        {"a string for a number",
         {{lxhost::kPropFontSize, kTagString, 0, "12", {}}},
         kBadPropType,
         "Body",
         "Times",
         12 * kPt,
         ""},
    };
    for (const Case& c : cases) {
        Host host;
        lxhost::Session& s = host.session();
        lxhost::Document& d = s.NewDocument();
        d.AddDefaultFormats();
        const ObjectId para = d.AppendParagraph(d.AddFlow("A"), 0);

        std::vector<std::vector<std::int32_t>> ints;
        ints.reserve(c.entries.size()); // the lists stay where the items point
        std::vector<PropVal> items(c.entries.size());
        for (std::size_t i = 0; i < c.entries.size(); ++i) {
            const Entry& e = c.entries[i];
            items[i].prop = {e.num, nullptr};
            items[i].value.tag = e.tag;
            if (e.tag == kTagString) {
                items[i].value.u.sval = const_cast<char*>(e.sval);
            } else if (e.tag == kTagInts) {
                ints.push_back(e.ints);
                items[i].value.u.ints = {static_cast<std::uint32_t>(ints.back().size()),
                                         ints.back().data()};
            } else if (e.tag == kTagStrings) {
                items[i].value.u.strings = {0, nullptr};
            } else {
                items[i].value.u.ival = e.ival;
            }
        }
        const PropValList list = {static_cast<std::uint32_t>(items.size()), items.data()};
        std::int32_t err = 1;
        ASSERT_EQ(host.api().SetProps(d.id(), para, &list, &err), S_OK) << c.name;
        EXPECT_EQ(err, c.err) << c.name;

        const lxhost::Paragraph& p = *d.FindParagraph(para);
        const lxhost::PgfSettings& settings = d.SettingsOf(p);
        EXPECT_EQ(d.FormatNameOf(p), c.format) << c.name;
        EXPECT_EQ(settings.fontFamily, c.family) << c.name;
        EXPECT_EQ(settings.fontSize, c.size) << c.name;
        EXPECT_EQ(settings.numberFormat, c.numbering) << c.name;
    }
}

} // namespace

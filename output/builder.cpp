#include "output/builder.h"

#include "platform/paths.h"
#include "runtime/api.h"
#include "support/mem.h"
#include "support/prop_list.h"
#include "support/str.h"

namespace {

struct PageGeometry {
    Metric width, height;
    std::int32_t columns;
    Metric columnGap, top, bottom, inside, outside;
    std::int32_t sidedness, makeVisible;
};

constexpr Metric Pt(int points) {
    return points * kMetricPoint;
}

// An 8 x 11 inch portrait page with 1 inch margins, shown.
constexpr PageGeometry kTextPage = {Pt(576), Pt(792), 1,      Pt(72), Pt(72),
                                    Pt(72),  Pt(72),  Pt(72), 0,      1};
// An 11 x 8 inch landscape page with quarter-inch margins (a 756 pt column), not shown.
constexpr PageGeometry kTablePage = {Pt(792), Pt(576), 1,      Pt(36), Pt(18),
                                     Pt(18),  Pt(18),  Pt(18), 0,      0};

ObjectId CustomDocument(const PageGeometry& g) {
    return ApiCustomDoc(g.width, g.height, g.columns, g.columnGap, g.top, g.bottom, g.inside,
                        g.outside, g.sidedness, g.makeVisible);
}

// The template's path in the host's installation directory, joined with the platform's
// separator; null when the host does not say where it is installed.
char* TemplatePath() {
    char* path = ApiGetString(0, 0, kPropInstallDir);
    if (!path || *path == '\0') {
        StrRelease(&path);
        return nullptr;
    }
    // The host's string is released with StrRelease; the path grows in a block of our own.
    char* grown = nullptr;
    StrAppendGrow(&grown, path);
    StrRelease(&path);
    StrAppendGrow(&grown, kPlatformPathSeparatorText);
    StrAppendGrow(&grown, kOutputTemplateName);
    return grown;
}

TextRange InsertionPoint(ObjectId paragraph) {
    return {{paragraph, 0}, {paragraph, 0}};
}

} // namespace

char* StrAppendGrow(char** str, const char* text) {
    if (!str)
        return nullptr;
    std::size_t needed = StrLen(*str) + StrLen(text) + 1;
    char* grown = static_cast<char*>(MemRealloc(*str, needed, 0));
    if (!grown)
        return *str;
    if (!*str)
        grown[0] = '\0';
    StrAppend(grown, text);
    *str = grown;
    return grown;
}

ObjectId NewOutputDocument(OutputDocKind kind) {
    char* path = TemplatePath();
    ObjectId doc = 0;
    if (kind == OutputDocText) {
        if (path)
            doc = OpenWithDefaults(path);
        if (doc == 0)
            doc = CustomDocument(kTextPage);
    } else if (kind == OutputDocTable) {
        doc = CustomDocument(kTablePage);
    }
    MemFree(path);
    return doc;
}

namespace {

// Adds text as a new last paragraph of the main flow and has apply give it its format.
template <typename Apply> void AppendParagraphWith(ObjectId doc, const char* text, Apply apply) {
    ObjectId flow = ApiGetId(0, doc, kPropMainFlow);
    ObjectId frame = ApiGetId(doc, flow, kPropLastTextFrame);
    ObjectId paragraph = ApiGetId(doc, frame, kPropLastParagraph);
    TextRange point = InsertionPoint(paragraph);
    ApiSetTextRange(0, doc, kPropSelection, &point);
    TextLoc after = ApiAddText(doc, &point.begin, text);
    apply(paragraph);
    ApiAddText(doc, &after, "\n");
}

} // namespace

void AppendParagraph(ObjectId doc, const char* text, const char* formatName) {
    AppendParagraphWith(doc, text, [&](ObjectId paragraph) {
        if (formatName)
            ApplyParagraphFormat(doc, paragraph, formatName);
    });
}

void AppendFormattedParagraph(ObjectId doc, const char* text, const FetchedFormat& format) {
    AppendParagraphWith(doc, text,
                        [&](ObjectId paragraph) { ApplyFetchedFormat(doc, paragraph, format); });
}

void ApplyParagraphFormat(ObjectId doc, ObjectId paragraph, const char* formatName) {
    FetchedFormat format = FetchParagraphFormat(doc, formatName);
    ApplyFetchedFormat(doc, paragraph, format);
    FreeFetchedFormat(&format);
}

FetchedFormat FetchParagraphFormat(ObjectId doc, const char* formatName) {
    FetchedFormat fetched;
    fetched.format = ApiGetNamedObject(doc, kObjectTypeParagraphFormat, formatName);
    if (fetched.format != 0)
        fetched.props = ApiGetProps(doc, fetched.format);
    return fetched;
}

void ApplyFetchedFormat(ObjectId doc, ObjectId paragraph, const FetchedFormat& format) {
    if (format.format == 0)
        return;
    if (ApiGetInt(doc, paragraph, kPropLocked) != 0)
        return;
    ApiSetProps(doc, paragraph, &format.props);
}

void FreeFetchedFormat(FetchedFormat* format) {
    PropValListFree(&format->props);
    format->format = 0;
}

ObjectId FindOpenDocument(const char* path) {
    char* name = nullptr;
    ObjectId found = 0;
    for (ObjectId doc = ApiGetId(0, 0, kPropFirstOpenDoc); doc != 0;
         doc = ApiGetId(doc, doc, kPropNextOpenDocument)) {
        StrRelease(&name);
        name = ApiGetString(doc, doc, kPropPath);
        if (StrICompare(name, path) == 0) {
            found = doc;
            break;
        }
    }
    StrRelease(&name);
    return found;
}

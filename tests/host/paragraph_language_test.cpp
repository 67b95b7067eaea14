// Each paragraph's language as the readers find it in the document: MIF paragraph formats and a
// paragraph's own settings, HTML lang, DocBook and DITA xml:lang on the elements that hold it,
// Markdown front matter.
#include "host/formats/markup.h"
#include "host/formats/mif_reader.h"
#include "host/formats/mif_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lxhost {
namespace {

enum class Format { Mif, Markdown, Html, Xml };

struct Case {
    const char* name;
    Format format;
    const char* input;
    std::vector<std::string> languages; // of the main flow's paragraphs with text, in order
};

// The language of each paragraph of the main flow that has text.
std::vector<std::string> LanguagesOf(Session& s, ObjectId doc) {
    Document& d = *s.FindDocument(doc);
    std::vector<std::string> out;
    for (ObjectId p = d.FindFlow(d.mainFlow)->firstPara; p != 0; p = d.FindParagraph(p)->next)
        if (!d.FindParagraph(p)->body.text().empty())
            out.emplace_back(d.LanguageOf(*d.FindParagraph(p)));
    return out;
}

ObjectId Read(Session& s, const Case& c, std::string* error) {
    if (c.format == Format::Xml) {
        std::int32_t status = 0;
        return OpenXml(s, c.input, "test.xml", false, &status, error);
    }
    Document& d = s.NewDocument();
    bool ok = false;
    switch (c.format) {
    case Format::Mif:
        ok = ReadMifDocument(c.input, "test.mif", d, {}, error);
        break;
    case Format::Markdown:
        ok = ReadMarkdown(c.input, d, {}, error);
        break;
    default:
        ok = ReadHtml(c.input, d, {}, error);
        break;
    }
    return ok ? d.id() : 0;
}

constexpr const char* kMif = R"MIF(<MIFFile 7.00>
<PgfCatalog
 <Pgf <PgfTag `Body'> <PgfLanguage German>>
 <Pgf <PgfTag `Note'> <PgfLanguage UKEnglish>>
 <Pgf <PgfTag `Plain'> <PgfLanguage NoLanguage>>
 <Pgf <PgfTag `Odd'> <PgfLanguage Klingon>>
>
<TextFlow <TFTag `A'>
 <Para <PgfTag `Body'> <ParaLine <String `Eins.'>>>
 <Para <PgfTag `Note'> <ParaLine <String `Two.'>>>
 <Para <PgfTag `Body'> <Pgf <PgfLanguage French>> <ParaLine <String `Trois.'>>>
 <Para <PgfTag `Plain'> <ParaLine <String `Four.'>>>
 <Para <PgfTag `Odd'> <ParaLine <String `Five.'>>>
>
)MIF";

// Whether this build has the format's reader (the Windows build reads MIF and text only).
bool Built(Format format) {
    switch (format) {
    case Format::Markdown:
#if defined(LX_HAVE_CMARK_GFM)
        return true;
#else
        return false;
#endif
    case Format::Html:
    case Format::Xml:
#if defined(LX_HAVE_LIBXML2)
        return true;
#else
        return false;
#endif
    case Format::Mif:
        break;
    }
    return true;
}

TEST(ParagraphLanguage, EachReaderKeepsTheLanguageTheDocumentGives) {
    const Case cases[] = {
        {"mif formats and a paragraph's own settings",
         Format::Mif,
         kMif,
         {"de", "en-GB", "fr", "", "Klingon"}},
        {"markdown front matter",
         Format::Markdown,
         "---\ntitle: x\nlang: de\n---\n\nEins.\n\nZwei.\n",
         {"de", "de"}},
        {"markdown front matter in quotes",
         Format::Markdown,
         "---\nlanguage: \"fr-CA\"\n---\nUn.\n",
         {"fr-CA"}},
        {"markdown without front matter", Format::Markdown, "One.\n\nlang: de\n", {"", ""}},
        {"html nested lang, restored after the element",
         Format::Html,
         "<html lang=\"de\"><body><p>Eins.</p><div lang=\"en\"><p>Two.</p></div>"
         "<p>Drei.</p><p lang=\"nl\">Vier.</p></body></html>",
         {"de", "en", "de", "nl"}},
        {"html without lang", Format::Html, "<p>One.</p>", {""}},
        {"docbook xml:lang",
         Format::Xml,
         "<?xml version=\"1.0\"?><article xml:lang=\"de\"><para>Eins.</para>"
         "<section xml:lang=\"es\"><para>Dos.</para></section><para>Drei.</para></article>",
         {"de", "es", "de"}},
        {"dita xml:lang",
         Format::Xml,
         "<?xml version=\"1.0\"?><topic id=\"t\" xml:lang=\"it\"><title>Titolo</title>"
         "<body><p>Uno.</p></body></topic>",
         {"it", "it"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!Built(c.format))
            continue;
        Session s;
        std::string error;
        const ObjectId doc = Read(s, c, &error);
        ASSERT_NE(doc, 0u) << error;
        EXPECT_EQ(LanguagesOf(s, doc), c.languages);
    }
}

TEST(ParagraphLanguage, MifWrittenBackKeepsEachParagraphsLanguage) {
    Session s;
    std::string error;
    const ObjectId doc = Read(s, {"mif", Format::Mif, kMif, {}}, &error);
    ASSERT_NE(doc, 0u) << error;
    const std::string written = WriteMif(*s.FindDocument(doc));
    const ObjectId again = Read(s, {"written", Format::Mif, written.c_str(), {}}, &error);
    ASSERT_NE(again, 0u) << error;
    EXPECT_EQ(LanguagesOf(s, again), LanguagesOf(s, doc));
}

TEST(ParagraphLanguage, TheDocumentKeepsEachLanguageOnce) {
    Session s;
    Document& d = s.NewDocument();
    EXPECT_EQ(d.LanguageIndex(""), 0);
    EXPECT_EQ(d.LanguageIndex("de"), 1);
    EXPECT_EQ(d.LanguageIndex("en"), 2);
    EXPECT_EQ(d.LanguageIndex("de"), 1);
    EXPECT_EQ(d.languages.size(), 2u);
    // Past the table's room a paragraph keeps no language rather than another's.
    for (int i = 0; i < 300; ++i)
        d.LanguageIndex("x" + std::to_string(i));
    EXPECT_EQ(d.languages.size(), 255u);
    EXPECT_EQ(d.LanguageIndex("new"), 0);
}

} // namespace
} // namespace lxhost

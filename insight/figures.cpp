#include "insight/figures.h"

#include "analysis/sentence_counts.h"
#include "analysis/tokenizer.h"
#include "analysis/traversal.h"
#include "host/files/frameroman.h"
#include "output/book_walk.h"
#include "output/file_names.h"
#include "runtime/api.h"
#include "runtime/connection.h"
#include "support/mem.h"

#include <limits>

namespace lxinsight {

namespace {

// What one walk over a document gathers.
struct FileWalk {
    lxhost::Session* session;
    FileFigures* file;
};

// The page a text object is shown on: the page's own name (its number as the document gives
// it), else its position among the document's body pages; "" when it lies on no body page.
std::string PageOf(lxhost::Document& doc, ObjectId object) {
    ObjectId frame =
        lxhost::KindOf(object) == lxhost::kKindTextLine ? object : doc.FrameOfParagraph(object);
    if (frame == 0)
        return "";
    ObjectId page = doc.PageOf(frame);
    if (lxhost::KindOf(page) != lxhost::kKindBodyPage)
        return "";
    int position = 0;
    for (const lxhost::Page& p : doc.pages) {
        if (lxhost::KindOf(p.id) != lxhost::kKindBodyPage)
            continue;
        ++position;
        if (p.id == page)
            return p.name.empty() ? std::to_string(position) : p.name;
    }
    return "";
}

void SentenceVisit(std::string_view sentence, const ReadabilityCounts& counts,
                   std::int32_t longWords, void* context) {
    auto* paragraph = static_cast<ParagraphFigures*>(context);
    SentenceFigures s;
    s.offset = static_cast<std::uint32_t>(sentence.data() - paragraph->text.data());
    s.length = static_cast<std::uint32_t>(sentence.size());
    s.counts = counts;
    s.longWords = longWords;
    paragraph->longWords += longWords;
    paragraph->sentences.push_back(s);
}

// The visit of the walk: the object's text counted exactly as the plug-in's counting visit
// counts it (fetch, join, CountText), kept when it yields a counted sentence.
void ParagraphVisit(ObjectId docId, ObjectId object, void* context) {
    auto* walk = static_cast<FileWalk*>(context);
    char* text = FetchObjectText(docId, object);
    if (!text)
        return;
    ParagraphFigures p;
    p.text = text;
    MemFree(text);
    CountText(p.text, &p.counts);
    if (p.counts.sentences == 0)
        return;
    p.counts.paragraphs = 1;
    ForEachCountedSentence(p.text, SentenceVisit, &p);
    if (lxhost::Document* doc = walk->session->FindDocument(docId)) {
        if (const lxhost::Paragraph* para = doc->FindParagraph(object))
            p.format = doc->FormatNameOf(*para);
        p.page = PageOf(*doc, object);
    }
    FileFigures& file = *walk->file;
    p.number = static_cast<std::uint32_t>(file.paragraphs.size() + 1);
    AddCounts(file.totals, p.counts);
    file.longWords += p.longWords;
    file.paragraphs.push_back(std::move(p));
}

FileFigures CollectFile(lxhost::Session& session, ObjectId doc, const std::string& name) {
    FileFigures file;
    file.name = name;
    file.opened = doc != 0;
    FileWalk walk{&session, &file};
    if (doc != 0)
        WalkTextObjects(doc, true, ParagraphVisit, &walk);
    return file;
}

struct BookWalk {
    lxhost::Session* session;
    InputFigures* input;
};

void BookFileVisit(ObjectId doc, const char* name, void* context) {
    auto* walk = static_cast<BookWalk*>(context);
    walk->input->files.push_back(CollectFile(*walk->session, doc, name ? name : ""));
}

std::string TakeString(char* s, const char* fallback) {
    std::string out = s ? s : fallback;
    MemFree(s);
    return out;
}

} // namespace

HostClient::HostClient(lxhost::Host& host) {
    connected_ = ClientConnect(&host) == 0;
}

HostClient::~HostClient() {
    ClientShutdown();
}

void AddCounts(ReadabilityCounts& a, const ReadabilityCounts& b) {
    auto add = [](std::int32_t& total, std::int32_t value) {
        std::int64_t sum = static_cast<std::int64_t>(total) + value;
        if (sum > std::numeric_limits<std::int32_t>::max())
            sum = std::numeric_limits<std::int32_t>::max();
        total = static_cast<std::int32_t>(sum);
    };
    add(a.paragraphs, b.paragraphs);
    add(a.sentences, b.sentences);
    add(a.syllables, b.syllables);
    add(a.words, b.words);
    add(a.characters, b.characters);
    add(a.complexWords, b.complexWords);
}

std::string Utf8OfHostText(std::string_view text) {
    std::string out;
    lxhost::FrameRomanToUtf8(text, out);
    return out;
}

InputFigures CollectFigures(lxhost::Host& host, ObjectId input) {
    lxhost::Session& session = host.session();
    InputFigures figures;
    figures.isBook = lxhost::KindOf(input) == lxhost::kKindBook;
    if (figures.isBook) {
        figures.name = TakeString(BookFileName(input), "Untitled");
        BookWalk walk{&session, &figures};
        WalkBookFiles(input, kStatusExamining, BookFileVisit, &walk);
    } else {
        figures.name = TakeString(DocumentFileName(input), "Untitled");
        figures.files.push_back(CollectFile(session, input, figures.name));
    }
    for (const FileFigures& f : figures.files) {
        AddCounts(figures.totals, f.totals);
        figures.longWords += f.longWords;
    }
    return figures;
}

} // namespace lxinsight

#include "tool/figures.h"

#include "analysis/precise/precise.h"
#include "analysis/sentence_counts.h"
#include "analysis/tokenizer.h"
#include "analysis/traversal.h"
#include "analysis/words.h"
#include "host/formats/frameroman.h"
#include "output/book_walk.h"
#include "output/file_names.h"
#include "runtime/api.h"
#include "runtime/connection.h"
#include "support/mem.h"
#include "support/path.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

namespace lxtool {

namespace {

// The words of one text, gathered to be counted together (WordOccurrences::CountAll).
struct WordBatch {
    std::vector<std::string_view> words;
    void Add(std::string_view word) { words.push_back(word); }
    void CountInto(WordOccurrences* occurrences, bool listed) {
        occurrences->CountAll(words.data(), words.size(), listed);
        words.clear();
    }
};

// What one walk over a document gathers.
struct FileWalk {
    lxhost::Session* session;
    FileFigures* file;
    WordOccurrences* occurrences; // null unless words are counted
    // The objects the walk with the paragraph filter visited: their words are counted there.
    // Sorted once the first walk is over, for the second walk to search.
    std::vector<ObjectId> examined;
    WordBatch batch; // the words of the text being counted
    Counting counting = Counting::Classic;
};

void BatchWord(std::string_view word, void* context) {
    static_cast<WordBatch*>(context)->Add(word);
}

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

// Counts a paragraph's text with the precise profile: its counts and its sentences, whose
// offsets are mapped back from the UTF-8 text to the host's bytes.
void CountPrecisely(ParagraphFigures* p) {
    std::string utf8;
    std::vector<std::size_t> hostByteAt; // for each UTF-8 offset, the host byte it came from
    for (std::size_t i = 0; i < p->text.size(); ++i) {
        const std::size_t before = utf8.size();
        lxhost::FrameRomanToUtf8(std::string_view(p->text).substr(i, 1), utf8);
        hostByteAt.insert(hostByteAt.end(), utf8.size() - before, i);
    }
    hostByteAt.push_back(p->text.size());
    for (const lxprecise::Sentence& s : lxprecise::Analyse(utf8)) {
        SentenceFigures f;
        f.offset = static_cast<std::uint32_t>(hostByteAt[s.span.offset]);
        f.length = static_cast<std::uint32_t>(hostByteAt[s.span.offset + s.span.length] - f.offset);
        f.counts.sentences = 1;
        for (const lxprecise::Word& w : s.words) {
            ++f.counts.words;
            f.counts.syllables += w.syllables;
            f.counts.characters += w.characters;
            f.counts.complexWords += w.complex ? 1 : 0;
            f.fogComplexWords += w.fogComplex ? 1 : 0;
            f.longWords += w.characters >= static_cast<int>(kLongWordBytes) ? 1 : 0;
        }
        AddCounts(p->counts, f.counts);
        p->longWords += f.longWords;
        p->fogComplexWords += f.fogComplexWords;
        p->sentences.push_back(f);
    }
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
    if (walk->counting == Counting::Classic)
        CountText(p.text, &p.counts);
    WordOccurrences* words = walk->occurrences;
    if (words)
        walk->examined.push_back(object);
    if (walk->counting == Counting::Precise)
        CountPrecisely(&p);
    if (p.counts.sentences == 0) {
        // No counted sentence: whatever words the word list's own walk finds are listed still.
        if (words) {
            ForEachListedWord(p.text, BatchWord, &walk->batch);
            walk->batch.CountInto(words, true);
        }
        return;
    }
    p.counts.paragraphs = 1;
    if (walk->counting == Counting::Precise) {
        if (words)
            ForEachListedWord(p.text, BatchWord, &walk->batch);
    } else {
        // The listed words are the words of the counted sentences: one pass finds both.
        ForEachCountedSentence(p.text, SentenceVisit, &p, words ? BatchWord : nullptr,
                               &walk->batch);
        p.fogComplexWords = p.counts.complexWords;
    }
    if (words)
        walk->batch.CountInto(words, true);
    if (lxhost::Document* doc = walk->session->FindDocument(docId)) {
        if (const lxhost::Paragraph* para = doc->FindParagraph(object)) {
            p.format = Utf8OfHostText(doc->FormatNameOf(*para));
            // Positions are the host's own record of its reading: the tool links the host and
            // looks them up in its model, as it does the page.
            p.line = para->source.line;
            p.column = para->source.column;
            for (SentenceFigures& s : p.sentences) {
                const lxhost::SourcePos at =
                    doc->SourceAt(object, static_cast<std::int32_t>(s.offset));
                s.line = at.line;
                s.column = at.column;
            }
        }
        p.page = Utf8OfHostText(PageOf(*doc, object));
    }
    FileFigures& file = *walk->file;
    p.number = static_cast<std::uint32_t>(file.paragraphs.size() + 1);
    AddCounts(file.totals, p.counts);
    file.longWords += p.longWords;
    file.fogComplexWords += p.fogComplexWords;
    file.paragraphs.push_back(std::move(p));
}

// The visit of the walk without the paragraph filter: the words of the objects the filter left
// out are counted too (a word listed from elsewhere counts its occurrences there as well).
void OccurrenceVisit(ObjectId docId, ObjectId object, void* context) {
    auto* walk = static_cast<FileWalk*>(context);
    if (std::binary_search(walk->examined.begin(), walk->examined.end(), object))
        return;
    char* text = FetchObjectText(docId, object);
    if (!text)
        return;
    ForEachListedWord(text, BatchWord, &walk->batch);
    walk->batch.CountInto(walk->occurrences, false);
    MemFree(text);
}

std::string TakeString(char* s, const char* fallback) {
    std::string out = s ? s : fallback;
    MemFree(s);
    return out;
}

// A file's name as the user wrote it, in UTF-8: the last component of the path the host opened
// it from (the host names files in UTF-8), else the name the host served, in FrameRoman,
// converted back. A name FrameRoman cannot hold whole (a letter of another script) is served
// in Latin letters, so the path is the only place where it is exact.
std::string Utf8FileName(const std::string& path, std::string_view served) {
    if (!path.empty()) {
        std::string name = TakeString(FileNameOfPath(path.c_str()), "");
        if (!name.empty())
            return name;
    }
    return Utf8OfHostText(served);
}

// The part of path after folder and a separator; "" when the path lies elsewhere.
std::string_view PathInside(std::string_view path, std::string_view folder) {
    while (!folder.empty() && PathIsSep(static_cast<unsigned char>(folder.back())))
        folder.remove_suffix(1);
    if (folder.empty() || path.size() <= folder.size() + 1 || !path.starts_with(folder) ||
        !PathIsSep(static_cast<unsigned char>(path[folder.size()])))
        return {};
    return path.substr(folder.size() + 1);
}

// The file a document was read from, as it can be opened from the working folder: from it when
// the file lies inside it (the host keeps absolute paths), whole otherwise. A part of an XML file
// ("FILE#id") is read from FILE.
std::string OpenablePath(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::string file = path;
    if (const std::size_t hash = path.rfind('#'); hash != std::string::npos && hash > 0 &&
                                                  !fs::exists(path, ec) &&
                                                  fs::is_regular_file(path.substr(0, hash), ec))
        file = path.substr(0, hash);
    const fs::path here = fs::current_path(ec);
    if (file.empty() || ec)
        return file;
    const fs::path inside = fs::path(file).lexically_relative(here);
    if (inside.empty() || *inside.begin() == "..")
        return file;
    return inside.generic_string(); // one form on every system, as the tool prints it
}

// The figures of one document; bookPath is the path of the book it belongs to, or "".
FileFigures CollectFile(lxhost::Session& session, ObjectId doc, const std::string& name,
                        const std::string& bookPath, WordOccurrences* occurrences,
                        Counting counting) {
    FileFigures file;
    const lxhost::Document* opened = doc != 0 ? session.FindDocument(doc) : nullptr;
    const std::string path = opened ? opened->path : "";
    file.name = bookPath.empty() || path.empty() ? "" : PathFromBookFolder(bookPath, path);
    if (file.name.empty())
        file.name = Utf8FileName(path, name);
    file.opened = doc != 0;
    file.path = OpenablePath(path);
    FileWalk walk{&session, &file, occurrences, {}, {}, counting};
    if (doc != 0) {
        WalkTextObjects(doc, true, ParagraphVisit, &walk);
        if (occurrences) {
            std::sort(walk.examined.begin(), walk.examined.end());
            WalkTextObjects(doc, false, OccurrenceVisit, &walk);
        }
    }
    return file;
}

struct BookWalk {
    lxhost::Session* session;
    InputFigures* input;
    WordOccurrences* occurrences;
    std::string bookPath;
    Counting counting;
};

void BookFileVisit(ObjectId doc, const char* name, void* context) {
    auto* walk = static_cast<BookWalk*>(context);
    walk->input->files.push_back(CollectFile(*walk->session, doc, name ? name : "", walk->bookPath,
                                             walk->occurrences, walk->counting));
}

} // namespace

WordTally& WordOccurrences::TallyOf(std::string_view word, std::uint64_t hash) {
    auto* slot = table_.Insert(word, hash, static_cast<std::uint32_t>(words_.size()),
                               [this](std::uint32_t i) { return std::string_view(words_[i]); });
    if (!slot)
        throw std::bad_alloc();
    if (slot->index() == words_.size())
        words_.emplace_back(word);
    return slot->value();
}

WordTally& WordOccurrences::operator[](std::string_view word) {
    return TallyOf(word, WordHash(word));
}

void WordOccurrences::CountAll(const std::string_view* words, std::size_t n, bool listed) {
    constexpr std::size_t kBatch = 32;
    std::uint64_t hashes[kBatch];
    while (n > 0) {
        const std::size_t batch = std::min(n, kBatch);
        // The table grows before the batch's slots are fetched, so that they stay where they are.
        if (!table_.Reserve(words_.size() + batch))
            throw std::bad_alloc();
        for (std::size_t i = 0; i < batch; ++i) {
            hashes[i] = WordHash(words[i]);
            table_.Prefetch(hashes[i]);
        }
        for (std::size_t i = 0; i < batch; ++i) {
            WordTally& tally = TallyOf(words[i], hashes[i]);
            ++tally.count;
            tally.listed = tally.listed || listed;
        }
        words += batch;
        n -= batch;
    }
}

const WordTally* WordOccurrences::Find(std::string_view word) const {
    const auto* slot = table_.Find(word, WordHash(word),
                                   [this](std::uint32_t i) { return std::string_view(words_[i]); });
    return slot ? &slot->value() : nullptr;
}

void WordOccurrences::clear() {
    table_.Clear();
    words_.clear();
    words_.shrink_to_fit();
}

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

std::string PathFromBookFolder(const std::string& bookPath, const std::string& path) {
    std::string_view inside = PathInside(path, bookPath);
    if (inside.empty()) {
        std::string_view folder = bookPath;
        while (!folder.empty() && !PathIsSep(static_cast<unsigned char>(folder.back())))
            folder.remove_suffix(1);
        inside = PathInside(path, folder);
    }
    return std::string(inside);
}

const char* CountingName(Counting counting) {
    return counting == Counting::Precise ? "precise" : "classic";
}

InputFigures CollectFigures(lxhost::Host& host, ObjectId input, bool occurrences,
                            Counting counting) {
    lxhost::Session& session = host.session();
    InputFigures figures;
    figures.isBook = lxhost::KindOf(input) == lxhost::kKindBook;
    if (figures.isBook) {
        const lxhost::Book* book = session.FindBook(input);
        figures.name =
            Utf8FileName(book ? book->path : "", TakeString(BookFileName(input), "Untitled"));
        BookWalk walk{&session, &figures, occurrences ? &figures.occurrences : nullptr,
                      book ? book->path : "", counting};
        WalkBookFiles(input, kStatusExamining, BookFileVisit, &walk);
    } else {
        const std::string served = TakeString(DocumentFileName(input), "Untitled");
        figures.files.push_back(CollectFile(
            session, input, served, "", occurrences ? &figures.occurrences : nullptr, counting));
        figures.name = figures.files.back().name;
    }
    for (const FileFigures& f : figures.files) {
        AddCounts(figures.totals, f.totals);
        figures.longWords += f.longWords;
        figures.fogComplexWords += f.fogComplexWords;
    }
    return figures;
}

} // namespace lxtool

#include "tool/figures.h"

#include "analysis/precise/languages.h"
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
#include <map>
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
    WordBatch batch;              // the words of the text being counted
    Counting counting = Counting::Classic;
    bool keepParagraphs = true;
    ParagraphSink* sink = nullptr;                 // null when every paragraph is kept
    std::size_t index = 0;                         // the file's place among the input's files
    std::uint32_t counted = 0;                     // the paragraphs counted so far
    const lxprecise::Language* language = nullptr; // where the document says none
    std::vector<std::string>* languageNotes = nullptr;
    std::map<std::string, std::int64_t> wordsByLanguage;
    ParagraphFigures paragraph; // the paragraph being counted
};

// Empties the figures for the next paragraph; the strings and the sentence list keep their room.
void ClearParagraph(ParagraphFigures* p) {
    p->number = 0;
    p->format.clear();
    p->page.clear();
    p->text.clear();
    p->language.clear();
    p->counts = {};
    p->longWords = 0;
    p->fogComplexWords = 0;
    p->sentences.clear();
    p->line = 0;
    p->column = 0;
}

void NoteOnce(std::vector<std::string>* notes, std::string note) {
    if (notes && std::find(notes->begin(), notes->end(), note) == notes->end())
        notes->push_back(std::move(note));
}

// The language a paragraph is counted in under the precise profile: its document's word for it
// when the profile knows that language, else the run's.
const lxprecise::Language& LanguageOfParagraph(FileWalk* walk, lxhost::Document* doc,
                                               ObjectId object) {
    const lxhost::Paragraph* para = doc ? doc->FindParagraph(object) : nullptr;
    const std::string_view code = para ? doc->LanguageOf(*para) : std::string_view();
    const lxprecise::Language* language = walk->language;
    if (!code.empty()) {
        if (const lxprecise::Language* found = lxprecise::FindLanguage(code))
            language = found;
        else
            NoteOnce(walk->languageNotes,
                     walk->file->name + ": its language '" + std::string(code) +
                         "' is not one the precise counting knows (" + lxprecise::LanguageCodes() +
                         "); its paragraphs are counted as " + walk->language->name);
    }
    std::string why;
    if (!lxprecise::LanguageAvailable(*language, &why))
        NoteOnce(walk->languageNotes, why + "; its syllables are counted by groups of vowels");
    return *language;
}

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
    // The paragraph's counts are its sentences' counts added up (they are CountText's): the
    // text is cut into sentences once.
    AddCounts(paragraph->counts, counts);
    paragraph->longWords += longWords;
    paragraph->sentences.push_back(s);
}

// A byte that FrameRoman and UTF-8 write alike (the host's bytes below 0x20 are spaces, hyphens
// and breaks of their own).
bool IsPrintableAscii(char c) {
    return c >= 0x20 && c < 0x7F;
}

// Host text in UTF-8 for the precise profile, with the way back to the host's bytes.
class PreciseText {
  public:
    explicit PreciseText(std::string_view host) : host_(host) {
        // Text of printable ASCII alone (most text) is the same in both: no table is needed.
        if (std::all_of(host.begin(), host.end(), IsPrintableAscii)) {
            utf8_ = host;
            return;
        }
        owned_.reserve(host.size() + host.size() / 8);
        hostByteAt_.reserve(host.size() + host.size() / 8 + 1);
        for (std::size_t i = 0; i < host.size(); ++i) {
            const std::size_t before = owned_.size();
            if (IsPrintableAscii(host[i]))
                owned_ += host[i];
            else
                lxhost::FrameRomanToUtf8(host.substr(i, 1), owned_);
            hostByteAt_.insert(hostByteAt_.end(), owned_.size() - before, i);
        }
        hostByteAt_.push_back(host.size());
        utf8_ = owned_;
    }
    std::string_view utf8() const { return utf8_; }
    // The host's bytes of a span of the UTF-8 text.
    std::string_view Host(const lxprecise::Span& s) const {
        if (hostByteAt_.empty())
            return host_.substr(s.offset, s.length);
        const std::size_t b = hostByteAt_[s.offset];
        return host_.substr(b, hostByteAt_[s.offset + s.length] - b);
    }

  private:
    std::string_view host_;
    std::string owned_;
    std::string_view utf8_;
    std::vector<std::size_t> hostByteAt_; // for each UTF-8 offset, the host byte it came from
};

// Counts a paragraph's text with the precise profile: its counts and its sentences, whose
// offsets are mapped back from the UTF-8 text to the host's bytes; with a batch, each word of
// its sentences (host bytes) goes into it. The text is cut and counted by the language's rules.
void CountPrecisely(ParagraphFigures* p, WordBatch* batch, const lxprecise::Language& language) {
    const PreciseText text(p->text);
    for (const lxprecise::Sentence& s : lxprecise::Analyse(text.utf8(), language)) {
        SentenceFigures f;
        const std::string_view host = text.Host(s.span);
        f.offset = static_cast<std::uint32_t>(host.data() - p->text.data());
        f.length = static_cast<std::uint32_t>(host.size());
        f.counts.sentences = 1;
        for (const lxprecise::Word& w : s.words) {
            ++f.counts.words;
            f.counts.syllables += w.syllables;
            f.counts.characters += w.characters;
            f.counts.complexWords += w.complex ? 1 : 0;
            f.counts.monosyllables += w.syllables == 1 ? 1 : 0;
            f.fogComplexWords += w.fogComplex ? 1 : 0;
            f.longWords += w.characters >= static_cast<int>(kLongWordBytes) ? 1 : 0;
            if (batch)
                batch->Add(text.Host(w.span));
        }
        AddCounts(p->counts, f.counts);
        p->longWords += f.longWords;
        p->fogComplexWords += f.fogComplexWords;
        p->sentences.push_back(f);
    }
}

// The words of a text as the precise profile cuts them, host bytes, into the batch.
void BatchPreciseWords(std::string_view hostText, WordBatch* batch) {
    const PreciseText text(hostText);
    for (const lxprecise::Sentence& s : lxprecise::Analyse(text.utf8()))
        for (const lxprecise::Word& w : s.words)
            batch->Add(text.Host(w.span));
}

// The visit of the walk: the object's text counted exactly as the plug-in's counting visit
// counts it (fetch, join, CountText), kept when it yields a counted sentence.
void ParagraphVisit(ObjectId docId, ObjectId object, void* context) {
    auto* walk = static_cast<FileWalk*>(context);
    char* text = FetchObjectText(docId, object);
    if (!text)
        return;
    // One paragraph's figures are filled in at a time, in buffers that keep their room from one
    // paragraph to the next.
    ParagraphFigures& p = walk->paragraph;
    ClearParagraph(&p);
    p.text.assign(text);
    MemFree(text);
    WordOccurrences* words = walk->occurrences;
    p.language = walk->language->code;
    if (walk->counting == Counting::Precise) {
        const lxprecise::Language& language =
            LanguageOfParagraph(walk, walk->session->FindDocument(docId), object);
        p.language = language.code;
        CountPrecisely(&p, words ? &walk->batch : nullptr, language);
    } else {
        // The listed words are the words of the counted sentences: one pass finds both.
        ForEachCountedSentence(p.text, SentenceVisit, &p, words ? BatchWord : nullptr,
                               &walk->batch);
        p.fogComplexWords = p.counts.complexWords;
    }
    if (p.counts.sentences == 0) {
        // No counted sentence: whatever words the plug-in's word list finds are listed still (the
        // precise profile finds a word only in a sentence).
        if (words) {
            if (walk->counting == Counting::Classic)
                ForEachListedWord(p.text, BatchWord, &walk->batch);
            walk->batch.CountInto(words, true);
        }
        return;
    }
    p.counts.paragraphs = 1;
    if (words)
        walk->batch.CountInto(words, true);
    FileFigures& file = *walk->file;
    walk->wordsByLanguage[p.language] += p.counts.words;
    AddCounts(file.totals, p.counts);
    file.longWords += p.longWords;
    file.fogComplexWords += p.fogComplexWords;
    if (!walk->keepParagraphs)
        return;
    if (lxhost::Document* doc = walk->session->FindDocument(docId)) {
        if (const lxhost::Paragraph* para = doc->FindParagraph(object)) {
            p.format = Utf8OfHostText(doc->FormatNameOf(*para));
            // Positions are the host's own record of its reading: the tool links the host and
            // looks them up in its model, as it does the page.
            p.line = para->source.line;
            p.column = para->source.column;
            for (SentenceFigures& s : p.sentences) {
                if (walk->sink && !walk->sink->WantsPlace(p, s))
                    continue;
                const lxhost::SourcePos at =
                    doc->SourceAt(object, static_cast<std::int32_t>(s.offset));
                s.line = at.line;
                s.column = at.column;
            }
        }
        p.page = Utf8OfHostText(PageOf(*doc, object));
    }
    p.number = ++walk->counted;
    if (!walk->sink || walk->sink->Take(walk->index, file, p))
        file.paragraphs.push_back(std::move(p));
}

// The words of an object the paragraph filter leaves out are counted too (a word listed from
// elsewhere counts its occurrences there as well).
void OccurrenceVisit(ObjectId docId, ObjectId object, void* context) {
    auto* walk = static_cast<FileWalk*>(context);
    char* text = FetchObjectText(docId, object);
    if (!text)
        return;
    if (walk->counting == Counting::Precise)
        BatchPreciseWords(text, &walk->batch);
    else
        ForEachListedWord(text, BatchWord, &walk->batch);
    walk->batch.CountInto(walk->occurrences, false);
    MemFree(text);
}

void MarkedVisit(ObjectId docId, ObjectId object, bool admitted, void* context) {
    (admitted ? ParagraphVisit : OccurrenceVisit)(docId, object, context);
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
                        Counting counting, bool keepParagraphs, ParagraphSink* sink,
                        std::size_t index, const lxprecise::Language& language,
                        std::vector<std::string>* languageNotes) {
    FileFigures file;
    const lxhost::Document* opened = doc != 0 ? session.FindDocument(doc) : nullptr;
    const std::string path = opened ? opened->path : "";
    file.name = bookPath.empty() || path.empty() ? "" : PathFromBookFolder(bookPath, path);
    if (file.name.empty())
        file.name = Utf8FileName(path, name);
    file.opened = doc != 0;
    file.path = OpenablePath(path);
    FileWalk walk;
    walk.session = &session;
    walk.file = &file;
    walk.occurrences = occurrences;
    walk.counting = counting;
    walk.keepParagraphs = keepParagraphs || sink;
    walk.sink = sink;
    walk.index = index;
    walk.language = &language;
    walk.languageNotes = languageNotes;
    if (doc != 0) {
        // Counting words takes every text object, the filter's and the others, in one walk.
        if (occurrences)
            WalkMarkedTextObjects(doc, MarkedVisit, &walk);
        else
            WalkTextObjects(doc, true, ParagraphVisit, &walk);
    }
    file.language = language.code;
    std::int64_t most = 0;
    for (const auto& [code, words] : walk.wordsByLanguage) {
        file.languages.push_back(code);
        if (words > most) {
            most = words;
            file.language = code;
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
    bool keepParagraphs;
    ParagraphSink* sink;
    const lxprecise::Language* language;
    std::vector<std::string>* languageNotes;
};

void BookFileVisit(ObjectId doc, const char* name, void* context) {
    auto* walk = static_cast<BookWalk*>(context);
    walk->input->files.push_back(
        CollectFile(*walk->session, doc, name ? name : "", walk->bookPath, walk->occurrences,
                    walk->counting, walk->keepParagraphs, walk->sink, walk->input->files.size(),
                    *walk->language, walk->languageNotes));
}

} // namespace

namespace {

// The table holds at most three quarters of its slots, so that a probe for an absent word stays
// short; it starts at this many slots.
constexpr std::size_t kFirstOccurrenceSlots = 64;
constexpr std::size_t kFillNumerator = 3, kFillDenominator = 4;

} // namespace

void WordOccurrences::Reserve(std::size_t n) {
    if (n * kFillDenominator <= slots_.size() * kFillNumerator)
        return;
    std::size_t capacity = std::max(kFirstOccurrenceSlots, slots_.size());
    while (n * kFillDenominator > capacity * kFillNumerator)
        capacity *= 2;
    std::vector<Slot> slots(capacity); // all zero: empty
    const std::size_t mask = capacity - 1;
    for (const Slot& s : slots_) {
        if (s.at == 0)
            continue;
        // The slot's place comes from the hash's low bits, which are not kept: the word is
        // hashed again.
        std::size_t at = WordHash(WordAt(s)) & mask;
        while (slots[at].at != 0)
            at = (at + 1) & mask;
        slots[at] = s;
    }
    slots_.swap(slots);
}

namespace {

// Whether the n bytes at a and b are alike: read eight, four or one at a time, the last load
// overlapping the one before it, so that short words cost no call. Reads no byte past either.
inline bool SameBytes(const char* a, const char* b, std::size_t n) {
    if (n >= 8) {
        std::uint64_t differ = 0;
        std::size_t i = 0;
        for (; i + 8 < n; i += 8)
            differ |= WordLoad64(a + i) ^ WordLoad64(b + i);
        return (differ | (WordLoad64(a + n - 8) ^ WordLoad64(b + n - 8))) == 0;
    }
    if (n >= 4)
        return ((WordLoad32(a) ^ WordLoad32(b)) |
                (WordLoad32(a + n - 4) ^ WordLoad32(b + n - 4))) == 0;
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

} // namespace

inline const WordOccurrences::Slot& WordOccurrences::Probe(std::string_view word,
                                                           std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const auto check = static_cast<std::uint32_t>(hash >> 32);
    const char* bytes = bytes_.data();
    const std::size_t n = word.size();
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& s = slots_[at];
        if (s.at == 0)
            return s;
        // The stored word is this word when its bytes are and a NUL follows them; the bytes
        // compared lie inside the block.
        const std::size_t start = s.at - 1;
        if (s.check == check && start + n < bytes_.size() && bytes[start + n] == '\0' &&
            SameBytes(bytes + start, word.data(), n))
            return s;
    }
}

inline WordTally& WordOccurrences::TallyOf(std::string_view word, std::uint64_t hash) {
    Slot& s = const_cast<Slot&>(Probe(word, hash));
    if (s.at == 0) {
        // A slot points at most this far into the block of words.
        if (bytes_.size() + word.size() + 1 >= UINT32_MAX)
            throw std::bad_alloc();
        s.check = static_cast<std::uint32_t>(hash >> 32);
        s.at = static_cast<std::uint32_t>(bytes_.size() + 1);
        bytes_.append(word);
        bytes_.push_back('\0');
        ++used_;
    }
    return s.tally;
}

WordTally& WordOccurrences::operator[](std::string_view word) {
    Reserve(used_ + 1);
    return TallyOf(word, WordHash(word));
}

void WordOccurrences::CountAll(const std::string_view* words, std::size_t n, bool listed) {
    constexpr std::size_t kBatch = 32;
    std::uint64_t hashes[kBatch];
    while (n > 0) {
        const std::size_t batch = std::min(n, kBatch);
        // The table grows before the batch's slots are fetched, so that they stay where they are.
        Reserve(used_ + batch);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = 0; i < batch; ++i) {
            hashes[i] = WordHash(words[i]);
#if defined(__GNUC__) || defined(__clang__)
            __builtin_prefetch(&slots_[hashes[i] & mask]);
#endif
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
    if (slots_.empty())
        return nullptr;
    const Slot& s = Probe(word, WordHash(word));
    return s.at == 0 ? nullptr : &s.tally;
}

void WordOccurrences::clear() {
    std::vector<Slot>().swap(slots_);
    used_ = 0;
    std::string().swap(bytes_);
}

HostClient::HostClient(lxhost::Host& host) {
    connected_ = ClientConnect(&host) == 0;
}

HostClient::~HostClient() {
    ClientShutdown();
}

std::string Utf8OfHostText(std::string_view text) {
    // Most text (and most words of a word list) is printable ASCII alone, the same bytes in both.
    if (std::all_of(text.begin(), text.end(), IsPrintableAscii))
        return std::string(text);
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

// The language of text whose document names none. The classic rules are the plug-in's, and
// count English.
const lxprecise::Language& RunLanguage(Counting counting, std::string_view code) {
    const lxprecise::Language* found = lxprecise::FindLanguage(code);
    return counting == Counting::Classic || !found ? lxprecise::English() : *found;
}

FileFigures CollectDocument(lxhost::Session& session, ObjectId doc, Counting counting,
                            std::string_view languageCode) {
    return CollectFile(session, doc, "", "", nullptr, counting, true, nullptr, 0,
                       RunLanguage(counting, languageCode), nullptr);
}

InputFigures CollectFigures(lxhost::Host& host, ObjectId input, bool occurrences, Counting counting,
                            std::string_view languageCode, bool paragraphs, ParagraphSink* sink) {
    lxhost::Session& session = host.session();
    const lxprecise::Language& language = RunLanguage(counting, languageCode);
    InputFigures figures;
    figures.isBook = lxhost::KindOf(input) == lxhost::kKindBook;
    if (figures.isBook) {
        const lxhost::Book* book = session.FindBook(input);
        figures.name =
            Utf8FileName(book ? book->path : "", TakeString(BookFileName(input), "Untitled"));
        BookWalk walk{&session,
                      &figures,
                      occurrences ? &figures.occurrences : nullptr,
                      book ? book->path : "",
                      counting,
                      paragraphs,
                      sink,
                      &language,
                      &figures.languageNotes};
        // A row of figures for each file, kept for the run's tables: room for them all at once
        // (at most one per component), not twice their room while the list doubles.
        if (book)
            figures.files.reserve(book->components.size());
        WalkBookFiles(input, kStatusExamining, BookFileVisit, &walk);
    } else {
        const std::string served = TakeString(DocumentFileName(input), "Untitled");
        figures.files.push_back(CollectFile(session, input, served, "",
                                            occurrences ? &figures.occurrences : nullptr, counting,
                                            paragraphs, sink, 0, language, &figures.languageNotes));
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

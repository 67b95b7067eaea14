// The figures behind the tool's insight commands (check, hotspots, html): per file, per
// paragraph and per sentence. They are counted by the analysis library itself, its traversal
// and its tokenizer, through the host API against the documents the host has open: the tool
// connects to its own host as a client, as the plug-in does, so every figure here is one the
// plug-in would count, and the paragraphs of a file add up to the plug-in's totals.
#pragma once

#include "analysis/counts.h"
#include "analysis/word_table.h"
#include "host/api/host.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lxtool {

// How the figures are counted: by the plug-in's rules, or by the precise profile
// (analysis/precise), which only the tool has.
enum class Counting { Classic, Precise };

// The profile's name as options, configuration files and JSON documents give it.
const char* CountingName(Counting counting);

// A counted sentence: where it lies in its paragraph's text, and its counts. Lines and columns
// are those of the source file the host read (columns in characters): exact in plain text and
// MIF strings; in Markdown, HTML and XML exact for the line, and for the column where the text
// stands in the source as written (see the host's readers).
struct SentenceFigures {
    std::uint32_t offset = 0; // into ParagraphFigures::text
    std::uint32_t length = 0;
    ReadabilityCounts counts{};
    std::int32_t longWords = 0;
    // Complex words as Gunning Fog counts them: under the classic profile every complex word.
    std::int32_t fogComplexWords = 0;
    std::uint32_t line = 0;   // 1-based; 0 when not known
    std::uint32_t column = 0; // 1-based; 0 when not known
};

// A text object (paragraph or text line) that yielded at least one counted sentence.
struct ParagraphFigures {
    std::uint32_t number = 0; // 1-based, in walk order among the file's counted text objects
    std::string format;       // the paragraph format's name, UTF-8; "" for a text line
    std::string page;         // the page it is shown on (UTF-8) where the host knows it; else ""
    std::string text;         // the host's text, FrameRoman bytes
    std::string language;     // the code of the language it was counted in: "de"; "en" classic
    ReadabilityCounts counts{};
    std::int32_t longWords = 0;
    // Complex words as Gunning Fog counts them: under the classic profile every complex word.
    std::int32_t fogComplexWords = 0;
    std::vector<SentenceFigures> sentences;
    std::uint32_t line = 0;   // 1-based; 0 when not known
    std::uint32_t column = 0; // 1-based; 0 when not known
};

struct FileFigures {
    // UTF-8: in a book its path from the book's folder, else (and for a file outside that
    // folder) the last component of its path; "Untitled" when untitled
    std::string name;
    bool opened = true;
    // The language of most of its counted words (the run's language when it has none); the
    // measures of its row are this language's.
    std::string language;
    // Every language its paragraphs were counted in, each once.
    std::vector<std::string> languages;
    ReadabilityCounts totals{};
    std::int32_t longWords = 0;
    // Complex words as Gunning Fog counts them: under the classic profile every complex word.
    std::int32_t fogComplexWords = 0;
    std::vector<ParagraphFigures> paragraphs;
    std::string path; // the file as it can be opened from the working folder
};

// A word's occurrences, and whether a word list holds it (it occurs in an examined paragraph).
struct WordTally {
    std::int32_t count = 0;
    bool listed = false;
};

// Words and their tallies: an open-addressing table (linear probing, at most three quarters
// full) of 16-byte slots, four to a cache line, and the words themselves in one block. A book's
// million words are counted here: the words of a paragraph are counted together, their slots
// fetched from memory before any is looked at. A slot holds the tally, 32 bits of the word's
// hash that did not pick its slot, and where its word begins in the block; a word is compared
// byte for byte only where those bits match. Words hold no NUL byte (they come from the host's
// C strings): each is kept followed by one.
class WordOccurrences {
  public:
    // The word's tally, added with zero counts when the word is new.
    WordTally& operator[](std::string_view word);
    // Counts each of the words once more, and marks it listed when listed is true.
    void CountAll(const std::string_view* words, std::size_t n, bool listed);
    // The word's tally, or null.
    const WordTally* Find(std::string_view word) const;
    std::size_t size() const { return used_; }
    // Calls visit(word, tally) for every word, in no set order.
    template <typename Visit> void ForEach(Visit visit) const {
        for (const Slot& s : slots_)
            if (s.at != 0)
                visit(WordAt(s), s.tally);
    }
    void clear();

  private:
    struct Slot {
        WordTally tally;
        std::uint32_t check; // the hash's high 32 bits
        std::uint32_t at;    // where the word begins in bytes_, + 1; 0 in an empty slot
    };
    static_assert(sizeof(Slot) == 16);

    // Room for n words in all without passing three quarters of the slots; throws
    // std::bad_alloc when the words' block would pass what a slot can point into.
    void Reserve(std::size_t n);
    // The slot of the word (hash is WordHash(word)), else the empty slot where it would go.
    const Slot& Probe(std::string_view word, std::uint64_t hash) const;
    // The word's tally; the table must have room for one word more.
    WordTally& TallyOf(std::string_view word, std::uint64_t hash);
    std::string_view WordAt(const Slot& s) const { return bytes_.c_str() + (s.at - 1); }

    std::vector<Slot> slots_; // a power of two of them, or none
    std::size_t used_ = 0;
    // The words' host bytes, each followed by a NUL, in the order they were added: one block
    // rather than a string each (a book has hundreds of thousands of words).
    std::string bytes_;
};

struct InputFigures {
    std::string name; // the book's or document's file name, UTF-8
    bool isBook = false;
    std::vector<FileFigures> files;
    ReadabilityCounts totals{};
    std::int32_t longWords = 0;
    // Complex words as Gunning Fog counts them: under the classic profile every complex word.
    std::int32_t fogComplexWords = 0;
    // What the count says of the documents' languages: a language it does not know, a voice
    // espeak-ng does not have; each once.
    std::vector<std::string> languageNotes;
    // When asked for: the words a word list holds, and how often each word occurs, counted as
    // the plug-in's word lists count occurrences (in every paragraph of the walk, the paragraph
    // filter off). Host bytes.
    WordOccurrences occurrences;
};

// What a command keeps of each counted paragraph, handed to it during the walk. A command that
// shows only some of the paragraphs (the hardest, those that miss a rule) or a few small figures
// of each keeps those and lets the rest go, rather than holding every paragraph's text and
// sentences until the walk is over: they take several times the text they count.
class ParagraphSink {
  public:
    virtual ~ParagraphSink() = default;
    // A counted paragraph, in walk order, its figures complete (number, place, sentences); file
    // is its file with its name and path set (its totals still being added up), at `index` among
    // the input's files. Returns whether the paragraph is kept in the file's paragraphs, as the
    // sink leaves it.
    virtual bool Take(std::size_t index, const FileFigures& file, ParagraphFigures& paragraph) = 0;
    // Whether the sentence's place in its file (line and column) is wanted, asked of each sentence
    // of a paragraph before it is taken: the place is looked up in the source a sentence at a
    // time, and a command that shows a few sentences looks up theirs alone. A sentence whose
    // place is not wanted keeps line and column 0 (not known).
    virtual bool WantsPlace(const ParagraphFigures&, const SentenceFigures&) const { return true; }
};

// The tool as a client of its host: connects in the constructor, disconnects in the destructor.
// Only one such client may exist at a time in a process.
class HostClient {
  public:
    explicit HostClient(lxhost::Host& host);
    ~HostClient();
    HostClient(const HostClient&) = delete;
    HostClient& operator=(const HostClient&) = delete;
    bool connected() const { return connected_; }

  private:
    bool connected_ = false;
};

// Counts one open document, or every examined file of an open book (opening and closing its
// files through the host, as the plug-in's book commands do). Needs a connected HostClient.
// With occurrences, also counts the words of every file while it is open.
// With Counting::Precise the sentences, words and syllables are the precise profile's (the text
// converted to UTF-8 and cut by its rules); sentence offsets stay offsets into the host's text.
// The word list's words and occurrences are the profile's words.
// Each paragraph is counted in the language its document gives it, else in language (a code the
// precise profile knows); the classic rules count English.
// Without paragraphs, only the totals of each file are kept, not its paragraphs' figures (which
// take some forty times the text they count: a book of many large files would not fit in memory).
// With a sink, each paragraph goes to the sink, and is kept only where the sink says so.
InputFigures CollectFigures(lxhost::Host& host, ObjectId input, bool occurrences = false,
                            Counting counting = Counting::Classic, std::string_view language = "en",
                            bool paragraphs = true, ParagraphSink* sink = nullptr);

// The figures of one open document, counted with the profile in the language given (where the
// document names none). Needs a connected HostClient.
FileFigures CollectDocument(lxhost::Session& session, ObjectId doc, Counting counting,
                            std::string_view language);

// A book's file is named by its path from the book's folder (the folder itself for a folder
// book, else the one that holds the book file), so that files of one name in different folders
// of a documentation tree ('guide/index.md', 'api/index.md') are told apart; files beside the
// book keep their bare names. "" for a file outside that folder, which is named as any file.
std::string PathFromBookFolder(const std::string& bookPath, const std::string& path);

// The UTF-8 form of host text.
std::string Utf8OfHostText(std::string_view text);

} // namespace lxtool

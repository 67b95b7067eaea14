// The text tokenizer: cuts the host's 8-bit text into sentences and words, trims words, counts
// syllables, and adds the results of one paragraph or text line to a ReadabilityCounts. Every
// test works on single bytes; nothing here knows of multibyte characters or converts text.
//
// Three forms of the same rules:
// - the cursor routines (NextSentence, NextWord, TrimPunctuation, ...) over owned NUL-terminated
//   strings, for callers that keep each sentence or word as a string of its own; each cut moves
//   the rest of the text, so a loop over a long paragraph costs its length squared;
// - the view routines (NextSentenceView, NextWordView, ...) over std::string_view and an index,
//   which copy nothing: the linear way to walk the sentences and words of a text;
// - CountText, which counts a whole text in one linear pass over bit masks of 64-byte blocks,
//   several times faster than walking the words one by one.
// All three give the same sentences, words and counts.
#pragma once

#include "analysis/counts.h"
#include "support/api_types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// Bytes between words: tab, non-breaking space, space, ( ) , - : ; = [ ] { } and the em dash.
// The en dash (0xD0), '/', '&', the apostrophe and the quotation marks are not among them.
inline constexpr std::array<unsigned char, 15> WordSeparators = {
    0x08, 0x11, 0x20, '(', ')', ',', '-', ':', ';', '=', '[', ']', '{', '}', 0xD1};

// Bytes that end a sentence wherever they stand. A period ends one only when a space or a tab
// follows it (kPeriodEnders); the end of the text always ends one.
inline constexpr std::array<unsigned char, 4> SentenceTerminators = {'!', ':', ';', '?'};
constexpr unsigned char kPeriod = '.';
inline constexpr std::array<unsigned char, 2> kPeriodEnders = {0x20, 0x08};

// Bytes removed from both ends of a word: line feed, carriage return, . , : ; ! ? ( ) " '
// [ ] { } _, the curly double and single quotation marks, the ellipsis and the em dash.
inline constexpr std::array<unsigned char, 23> TrimCharacters = {
    0x0A, 0x0D, '.', ',', ':', ';',  '!',  '?',  '(',  ')',  0x22, 0x27,
    '[',  ']',  '{', '}', '_', 0xD2, 0xD3, 0xD4, 0xD5, 0xC9, 0xD1};

// The only vowels: accented letters (bytes 0x80 and up) and digits are not vowels.
inline constexpr std::array<unsigned char, 12> Vowels = {'A', 'E', 'I', 'O', 'U', 'Y',
                                                         'a', 'e', 'i', 'o', 'u', 'y'};

// Sentences shorter than this are discarded without being counted.
constexpr std::size_t kMinSentenceBytes = 2;
// A word of this many syllables or more is a complex word.
constexpr int kComplexWordSyllables = 3;
// The ApiGetText flag that asks for the string items of the text.
constexpr std::int32_t kGetTextStringItems = 1;

// Fetches the text of one paragraph or text line with ApiGetText and adds its sentences, words,
// syllables, characters and complex words to *counts; paragraphs is not touched. A failed fetch,
// an object without string text or a failed allocation adds nothing. A null counts does nothing.
void CountParagraphText(ObjectId docId, ObjectId object, ReadabilityCounts* counts);

// The whole text of one paragraph or text line, its string items joined: a new string (MemFree),
// or null when the host gave no string text.
char* FetchObjectText(ObjectId docId, ObjectId object);

// The string items (data type 1) of the list concatenated in list order; items of other types
// are ignored. A new string (MemFree), or null when the list holds no string item or the
// allocation fails.
char* JoinTextItems(const TextItemList* list);

// Cuts the next sentence off the front of *cursor, an owned string (MemFree). Returns the
// sentence as a new string (MemFree), its leading separators removed and its terminator left
// out, and drops from the cursor the sentence, its terminator and, when it is a word separator or
// one of the TrimCharacters, the one byte after it; any other byte after the terminator (a letter
// or digit glued to it, as in "time:10") is left to begin the next sentence. A candidate that holds
// nothing but periods and separators before its terminator is dropped the same way and the cut goes
// on with the rest. Null only when no sentence is left: the cursor is null, empty, or held only
// such candidates (it is then emptied). Null too when the copy cannot be allocated; the cursor is
// then unchanged. The cursor's string is shortened in place, so *cursor keeps its address and stays
// owned by the caller.
char* NextSentence(char** cursor);

// The number of words of a sentence as NextSentence returns it (beginning on a word byte): the
// runs of separators, plus 1 unless the sentence ends in a separator. 0 for a null or empty one.
int CountSentenceWords(const char* sentence);

// Cuts the next word (a maximal run of bytes that are not WordSeparators) off the front of
// *cursor, an owned string, and drops it and the separators after it. Returns the word as a new
// string (MemFree), or null when the cursor is null or holds no word, or when the copy cannot be
// allocated (the cursor is then unchanged). The cursor is shortened in place, as by NextSentence.
char* NextWord(char** cursor);

// Removes TrimCharacters from both ends of *word, an owned string, in place; bytes of the set
// inside the word stay. A null or empty word is left as it is.
void TrimPunctuation(char** word);

// Syllables of a word: one per group of consecutive vowels, not counting a final 'e' or 'E' that
// stands alone after a non-vowel; never below 1 (also for an empty or null word).
int CountSyllables(const char* word);

bool IsWordSeparator(unsigned char byte);

// The view routines. `pos` is an index into `text`; a cursor routine's cursor string corresponds
// to text.substr(*pos). Views returned point into `text`. A view has no terminator: a NUL byte
// inside it is an ordinary byte, where a cursor string would end.

// As NextSentence: on success stores the sentence, advances *pos and returns true; when no
// sentence is left returns false with *pos past what was consumed and *sentence unchanged.
bool NextSentenceView(std::string_view text, std::size_t* pos, std::string_view* sentence);
// As NextWord: on success stores the word, advances *pos past it and the separators after it.
bool NextWordView(std::string_view text, std::size_t* pos, std::string_view* word);
std::string_view TrimPunctuationView(std::string_view word);
int CountSyllablesView(std::string_view word);
int CountSentenceWordsView(std::string_view sentence);

// Called with a word of a sentence, trimmed, when it is not empty.
using SentenceWordVisit = void (*)(std::string_view word, void* context);

// Counts the words of one sentence as NextSentenceView cuts it (beginning on a word byte) in one
// pass over its bytes, as the view routines cut, trim and count them: adds its words, syllables,
// characters and complex words to *counts (not its sentence), hands each word that is not empty
// once trimmed to visit (when given), and returns how many of those have longBytes or more.
std::int32_t CountSentenceView(std::string_view sentence, ReadabilityCounts* counts,
                               std::size_t longBytes, SentenceWordVisit visit = nullptr,
                               void* context = nullptr);

// Counts joined text exactly as CountParagraphText counts an object's text, adding sentences,
// words, syllables, characters and complex words to *counts. A total that would pass the range
// of its field stops at the field's maximum instead of wrapping round.
void CountText(std::string_view text, ReadabilityCounts* counts);

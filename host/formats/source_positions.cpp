#include "host/formats/source_positions.h"

#include <algorithm>
#include <cctype>

namespace lxhost {

namespace {

// How far past the cursor text that was not where it was expected is looked for.
constexpr std::size_t kSearchWindow = 64 * 1024;
// The fewest bytes of a text that are looked for: shorter ones would be found by chance.
constexpr std::size_t kMinSearchBytes = 3;
constexpr std::size_t kMaxSearchBytes = 16;
// The longest character reference taken for one ("&CounterClockwiseContourIntegral;").
constexpr std::size_t kMaxReference = 40;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool IsSpaceByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::size_t CodePointBytes(std::string_view text, std::size_t at) {
    std::size_t n = 1;
    while (at + n < text.size() && IsContinuationByte(text[at + n])) {
        ++n;
    }
    return n;
}

// The end of a character reference at offset ("&amp;", "&#x2019;"), or 0 when there is none.
std::size_t ReferenceEnd(std::string_view source, std::size_t offset) {
    if (source[offset] != '&') {
        return 0;
    }
    const std::size_t last = std::min(source.size(), offset + kMaxReference);
    for (std::size_t i = offset + 1; i < last; ++i) {
        const char c = source[i];
        if (c == ';') {
            return i > offset + 1 ? i + 1 : 0;
        }
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '#') {
            return 0;
        }
    }
    return 0;
}

} // namespace

SourceIndex::SourceIndex(std::string_view source) : source_(source) {
    lineStarts_.push_back(0);
    for (std::size_t at = source.find('\n'); at != std::string_view::npos;
         at = source.find('\n', at + 1)) {
        lineStarts_.push_back(at + 1);
    }
}

std::size_t SourceIndex::LineStart(std::uint32_t line) const {
    return line >= 1 && line <= lineStarts_.size() ? lineStarts_[line - 1] : source_.size();
}

std::size_t SourceIndex::OffsetOf(std::uint32_t line, std::uint32_t byteColumn) const {
    const std::size_t start = LineStart(line);
    const std::size_t end = std::max(start, LineStart(line + 1));
    return std::min(start + (byteColumn > 0 ? byteColumn - 1 : 0), end);
}

SourcePos SourceIndex::At(std::size_t offset) {
    offset = std::min(offset, source_.size());
    const bool sameLine = offset >= cachedOffset_ && (cachedLine_ + 1 >= lineStarts_.size() ||
                                                      offset < lineStarts_[cachedLine_ + 1]);
    if (!sameLine) {
        cachedLine_ = static_cast<std::size_t>(
            std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset) - lineStarts_.begin() -
            1);
        cachedOffset_ = lineStarts_[cachedLine_];
        cachedColumn_ = 1;
    }
    for (; cachedOffset_ < offset; ++cachedOffset_) {
        cachedColumn_ += IsContinuationByte(source_[cachedOffset_]) ? 0 : 1;
    }
    return {static_cast<std::uint32_t>(cachedLine_ + 1), cachedColumn_};
}

std::size_t TextLocator::SkipMarkup(std::size_t offset) const {
    const std::string_view s = index_.source();
    auto past = [&](std::string_view end, std::size_t from) {
        const std::size_t at = s.find(end, from);
        return at == std::string_view::npos ? s.size() : at + end.size();
    };
    const std::string_view rest = s.substr(offset);
    if (rest.starts_with("]]>")) {
        return offset + 3; // the end of a CDATA section, whose text was handed out before
    }
    if (rest.size() < 2 || rest[0] != '<') {
        return offset;
    }
    if (rest.starts_with("<!--")) {
        return past("-->", offset + 4);
    }
    if (rest.starts_with("<![CDATA[")) {
        return offset + 9;
    }
    if (rest.starts_with("<?")) {
        return past("?>", offset + 2);
    }
    const char c = rest[1];
    if (c != '!' && c != '/' && !std::isalpha(static_cast<unsigned char>(c)) && c != '_' &&
        c != ':') {
        return offset; // "a < b": a less-than sign in text
    }
    // A tag or declaration: up to its '>', past quoted values and an internal subset.
    char quote = 0;
    int brackets = 0;
    for (std::size_t i = offset + 1; i < s.size(); ++i) {
        const char x = s[i];
        if (quote != 0) {
            quote = x == quote ? 0 : quote;
        } else if (x == '"' || x == '\'') {
            quote = x;
        } else if (x == '[' && c == '!') {
            ++brackets;
        } else if (x == ']' && brackets > 0) {
            --brackets;
        } else if (x == '>' && brackets == 0) {
            return i + 1;
        }
    }
    return s.size();
}

std::size_t TextLocator::Align(std::string_view text, std::size_t offset) {
    const std::string_view s = index_.source();
    std::size_t at = offset, t = 0, pieceStart = 0, pieceAt = offset;
    // Ends the piece before text[t]; the next begins at source offset nextAt.
    auto cut = [&](std::size_t nextAt) {
        if (t > pieceStart) {
            pieces_.push_back({text.substr(pieceStart, t - pieceStart), pieceAt});
        }
        pieceStart = t;
        pieceAt = nextAt;
    };
    while (t < text.size()) {
        const char want = text[t];
        const char got = at < s.size() ? s[at] : '\0';
        // A character reference stands for its character, unless the text holds it as written
        // (in a CDATA section, in code).
        if (const std::size_t end = got == '&' ? ReferenceEnd(s, at) : 0;
            end != 0 && !text.substr(t).starts_with(s.substr(at, end - at))) {
            cut(at);
            t += CodePointBytes(text, t);
            cut(end);
            at = end;
            continue;
        }
        if (syntax_ == SourceSyntax::Markup && got == '<' &&
            s.substr(at).starts_with("<![CDATA[")) {
            cut(at + 9); // the parser merges a CDATA section with the text around it
            at += 9;
            continue;
        }
        if (syntax_ == SourceSyntax::Markup && got == ']' && want != ']' &&
            s.substr(at).starts_with("]]>")) {
            cut(at + 3);
            at += 3;
            continue;
        }
        if (at < s.size() && got == want) {
            ++at;
            ++t;
            continue;
        }
        if (got == '\r') {
            // The parser reads a line end "\r\n" as "\n", and a lone "\r" too.
            const bool lone = at + 1 >= s.size() || s[at + 1] != '\n';
            ++at;
            if (lone && want == '\n') {
                ++t;
            }
            continue;
        }
        if (syntax_ == SourceSyntax::Markdown && got == '\\' && at + 1 < s.size() &&
            s[at + 1] == want && std::ispunct(static_cast<unsigned char>(want))) {
            cut(at + 1);
            ++at;
            continue;
        }
        if (t == 0) {
            pieces_.clear();
            return std::string_view::npos;
        }
        break; // they part ways: the rest is taken to go on from here
    }
    t = text.size();
    cut(at);
    return at;
}

bool TextLocator::Spend(std::size_t bytes) {
    if (bytes > budget_) {
        budget_ = 0;
        return false;
    }
    budget_ -= bytes;
    return true;
}

bool TextLocator::TryAt(std::string_view text, std::size_t offset, bool skip) {
    const std::string_view s = index_.source();
    pieces_.clear();
    const std::size_t start = offset;
    std::size_t end = std::string_view::npos;
    while (offset <= s.size() && budget_ > 0) {
        if ((end = Align(text, offset)) != std::string_view::npos) {
            break;
        }
        if (!skip || offset == s.size()) {
            break;
        }
        if (IsSpaceByte(s[offset]) || (syntax_ == SourceSyntax::Markdown && s[offset] == '>')) {
            ++offset;
            continue;
        }
        const std::size_t next = syntax_ == SourceSyntax::Markdown ? offset : SkipMarkup(offset);
        if (next == offset) {
            break;
        }
        offset = next;
    }
    // What was passed over to get there counts against the budget, found or not.
    if (!Spend(offset - start)) {
        pieces_.clear();
        return false;
    }
    if (end == std::string_view::npos) {
        return false;
    }
    cursor_ = end;
    return true;
}

const std::vector<LocatedPiece>& TextLocator::Locate(std::string_view text) {
    if (TryAt(text, cursor_, true)) {
        return pieces_;
    }
    // Not where expected (markup this locator does not know, text the parser mended): looked
    // for by its first bytes further on.
    const std::string_view s = index_.source();
    const std::size_t lead = std::min(text.find_first_not_of(" \t\r\n\f"), text.size());
    std::string_view key = text.substr(lead, kMaxSearchBytes);
    key = key.substr(0, std::min(key.size(), key.find_first_of("&<\\\r\n\t")));
    if (key.size() >= kMinSearchBytes && cursor_ < s.size() &&
        Spend(std::min(s.size() - cursor_, kSearchWindow))) {
        const std::size_t found = s.substr(cursor_, kSearchWindow + key.size()).find(key);
        if (found != std::string_view::npos && TryAt(text.substr(lead), cursor_ + found, false)) {
            if (lead > 0) {
                pieces_.insert(pieces_.begin(), {text.substr(0, lead), std::string_view::npos});
            }
            return pieces_;
        }
    }
    pieces_.assign(1, {text, std::string_view::npos});
    return pieces_;
}

const std::vector<LocatedPiece>& TextLocator::LocateNear(std::string_view text,
                                                         std::size_t offset) {
    if (TryAt(text, offset, false)) {
        return pieces_;
    }
    // The parser's column can be off (an indented line of a paragraph): the text is looked for
    // on the line, from the text found last when that is on it.
    const std::string_view s = index_.source();
    const SourcePos pos = index_.At(offset);
    const std::size_t lineStart = index_.LineStart(pos.line);
    const std::size_t lineEnd = std::min(s.size(), index_.LineStart(pos.line + 1));
    const std::size_t from = cursor_ >= lineStart && cursor_ <= lineEnd ? cursor_ : lineStart;
    std::string_view key = text.substr(0, kMaxSearchBytes);
    key = key.substr(0, std::min(key.size(), key.find_first_of("&<\\\r\n\t")));
    if (!key.empty() && from < lineEnd && Spend(lineEnd - from)) {
        const std::size_t found = s.substr(from, lineEnd - from).find(key);
        if (found != std::string_view::npos && TryAt(text, from + found, false)) {
            return pieces_;
        }
    }
    pieces_.assign(1, {text, offset}); // the line at least is the parser's
    return pieces_;
}

void TextLocator::SkipPast(std::string_view written) {
    const std::string_view s = index_.source();
    if (cursor_ >= s.size() || !Spend(std::min(s.size() - cursor_, kSearchWindow))) {
        return;
    }
    const std::size_t at = s.substr(cursor_, kSearchWindow + written.size()).find(written);
    if (at != std::string_view::npos) {
        cursor_ += at + written.size();
    }
}

void TextLocator::SkipTo(std::size_t offset) {
    cursor_ = std::max(cursor_, std::min(offset, index_.source().size()));
}

} // namespace lxhost

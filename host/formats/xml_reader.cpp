// The HTML and XML readers: HTML pages through libxml2's HTML parser (which repairs broken markup
// as browsers do), DocBook and DITA topics through its XML parser. Both feed one element mapper
// that knows the three vocabularies; the XML parser never loads a DTD or an external entity.
#include "host/formats/book_folder.h"
#include "host/formats/markup.h"

#if defined(LX_HAVE_LIBXML2)
#include <libxml/HTMLparser.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>
#endif

#include "host/formats/frameroman.h"
#include "host/formats/reader_budgets.h"
#include "host/formats/source_positions.h"
#include "host/formats/text_encoding.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <exception>
#include <filesystem>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace lxhost {

#if !defined(LX_HAVE_LIBXML2)

bool XmlSupported() {
    return false;
}

void PrepareXmlReader() {}

bool IncludesCached(const std::shared_ptr<void>&) {
    return false;
}

bool ReadHtml(std::string_view, Document&, const ReaderOptions&, std::string* error) {
    *error = "HTML files are not supported in this build of lexameter";
    return false;
}

ObjectId OpenXml(Session&, std::string_view, const std::string& path, bool, std::int32_t* status,
                 std::string* error) {
    *status = kErrNotDocument;
    *error = path + ": XML files are not supported in this build of lexameter";
    return 0;
}

ObjectId OpenXmlPart(Session&, std::string_view, const std::string&, std::string_view,
                     const std::string& path, bool, std::int32_t* status, std::string* error) {
    *status = kErrNotDocument;
    *error = path + ": XML files are not supported in this build of lexameter";
    return 0;
}

std::vector<std::string> FolderBookEntries(const std::string& path) {
    return {path};
}

#else

namespace {

// What an element is to the mapping.
enum class Role : std::uint8_t {
    Inline,      // its text belongs to the paragraph around it
    Skip,        // nothing in it is prose (scripts, navigation, images, metadata)
    Block,       // a container: paragraphs end at its start and end
    Section,     // a block that nests headings one level deeper
    Title,       // a heading, a table title or a plain paragraph, by where it stands
    Heading,     // HTML h1 to h6
    Para,        // a paragraph of the format of its context
    List,        // its items are "Bulleted"
    OrderedList, // its items are "Numbered"
    Item,        // a list item
    Quote,
    Code,
    Table,
    Caption,
    HeadRows, // rows inside are heading rows
    BodyRows,
    Row,
    HeadRow,
    Cell,
    Footnote,
    Link,
    Break,
    Info, // metadata: only its title is text
    Include,
};

struct ElementRole {
    std::string_view name;
    Role role;
};

// The three vocabularies in one table: HTML, DocBook and DITA use few names in different senses.
constexpr ElementRole kRoles[] = {
    // Not prose.
    {"script", Role::Skip},
    {"style", Role::Skip},
    {"nav", Role::Skip},
    {"noscript", Role::Skip},
    {"template", Role::Skip},
    {"svg", Role::Skip},
    {"head", Role::Skip},
    {"img", Role::Skip},
    {"math", Role::Skip},
    {"iframe", Role::Skip},
    {"object", Role::Skip},
    {"select", Role::Skip},
    {"textarea", Role::Skip},
    {"mediaobject", Role::Skip},
    {"inlinemediaobject", Role::Skip},
    {"imageobject", Role::Skip},
    {"indexterm", Role::Skip},
    {"remark", Role::Skip},
    {"image", Role::Skip},
    {"prolog", Role::Skip},
    {"draft-comment", Role::Skip},
    {"required-cleanup", Role::Skip},
    {"titlealts", Role::Skip},
    {"data", Role::Skip},
    {"graphic", Role::Skip},
    {"inlinegraphic", Role::Skip},
    {"alt", Role::Skip},
    // Headings and titles.
    {"h1", Role::Heading},
    {"h2", Role::Heading},
    {"h3", Role::Heading},
    {"h4", Role::Heading},
    {"h5", Role::Heading},
    {"h6", Role::Heading},
    {"title", Role::Title},
    {"subtitle", Role::Para},
    {"titleabbrev", Role::Skip},
    {"searchtitle", Role::Skip},
    // Sections.
    {"book", Role::Section},
    {"part", Role::Section},
    {"chapter", Role::Section},
    {"article", Role::Section},
    {"preface", Role::Section},
    {"appendix", Role::Section},
    {"section", Role::Section},
    {"sect1", Role::Section},
    {"sect2", Role::Section},
    {"sect3", Role::Section},
    {"sect4", Role::Section},
    {"sect5", Role::Section},
    {"simplesect", Role::Section},
    {"refentry", Role::Section},
    {"refsect1", Role::Section},
    {"refsect2", Role::Section},
    {"refsect3", Role::Section},
    {"refsection", Role::Section},
    {"glossary", Role::Section},
    {"bibliography", Role::Section},
    {"colophon", Role::Section},
    {"dedication", Role::Section},
    {"topic", Role::Section},
    {"concept", Role::Section},
    {"task", Role::Section},
    {"reference", Role::Section},
    {"glossentry", Role::Section},
    {"troubleshooting", Role::Section},
    {"example", Role::Section},
    // Metadata blocks whose title is the section's.
    {"info", Role::Info},
    {"articleinfo", Role::Info},
    {"bookinfo", Role::Info},
    {"chapterinfo", Role::Info},
    {"sectioninfo", Role::Info},
    {"sect1info", Role::Info},
    {"sect2info", Role::Info},
    {"prefaceinfo", Role::Info},
    {"appendixinfo", Role::Info},
    // Paragraphs.
    {"p", Role::Para},
    {"para", Role::Para},
    {"simpara", Role::Para},
    {"shortdesc", Role::Para},
    {"cmd", Role::Para},
    {"dt", Role::Para},
    {"dd", Role::Block},
    {"term", Role::Para},
    {"figcaption", Role::Para},
    {"summary", Role::Para},
    {"attribution", Role::Para},
    {"abstract", Role::Block},
    {"address", Role::Para},
    {"sli", Role::Item},
    // Lists.
    {"ul", Role::List},
    {"menu", Role::List},
    {"ol", Role::OrderedList},
    {"li", Role::Item},
    {"itemizedlist", Role::List},
    {"orderedlist", Role::OrderedList},
    {"listitem", Role::Item},
    {"variablelist", Role::List},
    {"simplelist", Role::List},
    {"member", Role::Item},
    {"procedure", Role::OrderedList},
    {"substeps", Role::OrderedList},
    {"step", Role::Item},
    {"steps", Role::OrderedList},
    {"steps-unordered", Role::List},
    {"substep", Role::Item},
    {"sl", Role::List},
    {"choices", Role::List},
    {"choice", Role::Item},
    // Other blocks.
    {"blockquote", Role::Quote},
    {"epigraph", Role::Quote},
    {"lq", Role::Quote},
    {"pre", Role::Code},
    {"programlisting", Role::Code},
    {"screen", Role::Code},
    {"synopsis", Role::Code},
    {"codeblock", Role::Code},
    {"msgblock", Role::Code},
    {"literallayout", Role::Block},
    {"div", Role::Block},
    {"body", Role::Block},
    {"main", Role::Block},
    {"aside", Role::Block},
    {"header", Role::Block},
    {"footer", Role::Block},
    {"figure", Role::Block},
    {"fig", Role::Block},
    {"hr", Role::Block},
    {"form", Role::Block},
    {"fieldset", Role::Block},
    {"dl", Role::Block},
    {"dlentry", Role::Block},
    {"details", Role::Block},
    {"note", Role::Block},
    {"warning", Role::Block},
    {"caution", Role::Block},
    {"tip", Role::Block},
    {"important", Role::Block},
    {"sidebar", Role::Block},
    {"formalpara", Role::Block},
    {"varlistentry", Role::Block},
    {"conbody", Role::Block},
    {"taskbody", Role::Block},
    {"refbody", Role::Block},
    {"context", Role::Block},
    {"result", Role::Block},
    {"prereq", Role::Block},
    {"postreq", Role::Block},
    {"stepresult", Role::Block},
    {"stepxmp", Role::Block},
    {"info-block", Role::Block},
    {"itemgroup", Role::Block},
    {"tasks", Role::Block},
    {"partintro", Role::Block},
    {"center", Role::Block},
    // Tables.
    {"table", Role::Table},
    {"informaltable", Role::Table},
    {"simpletable", Role::Table},
    {"caption", Role::Caption},
    {"thead", Role::HeadRows},
    {"tbody", Role::BodyRows},
    {"tfoot", Role::BodyRows},
    {"tr", Role::Row},
    {"row", Role::Row},
    {"strow", Role::Row},
    {"sthead", Role::HeadRow},
    {"td", Role::Cell},
    {"th", Role::Cell},
    {"entry", Role::Cell},
    {"stentry", Role::Cell},
    // Inline.
    {"footnote", Role::Footnote},
    {"fn", Role::Footnote},
    {"a", Role::Link},
    {"ulink", Role::Link},
    {"link", Role::Link},
    {"xref", Role::Link},
    {"br", Role::Break},
    {"include", Role::Include},
    {"xinclude-other", Role::Skip},
};

constexpr std::string_view kXIncludeNamespace = "http://www.w3.org/2001/XInclude";
constexpr std::string_view kUrlSchemes[] = {"http://", "https://", "mailto:", "ftp://"};

Role RoleOf(std::string_view name) {
    // Looked up for every element: a hash table, not a search tree of string comparisons.
    static const std::unordered_map<std::string_view, Role> table = [] {
        std::unordered_map<std::string_view, Role> m;
        for (const ElementRole& r : kRoles) {
            m.emplace(r.name, r.role);
        }
        return m;
    }();
    const auto it = table.find(name);
    return it == table.end() ? Role::Inline : it->second;
}

struct Attribute {
    std::string_view name;
    std::string_view value;
};

std::string_view AttributeOf(const std::vector<Attribute>& attrs, std::string_view name) {
    for (const Attribute& a : attrs) {
        if (a.name == name) {
            return a.value;
        }
    }
    return {};
}

bool HasAttribute(const std::vector<Attribute>& attrs, std::string_view name) {
    return std::any_of(attrs.begin(), attrs.end(),
                       [&](const Attribute& a) { return a.name == name; });
}

bool HasClassWord(const std::vector<Attribute>& attrs, std::string_view prefix) {
    std::string_view cls = AttributeOf(attrs, "class");
    while (!cls.empty()) {
        const std::size_t space = cls.find(' ');
        if (cls.substr(0, space).starts_with(prefix)) {
            return true;
        }
        cls.remove_prefix(space == std::string_view::npos ? cls.size() : space + 1);
    }
    return false;
}

// HTML footnotes as Markdown converters write them: a reference (a link to the note, showing its
// number), the notes section at the end, and the link back from each note.
bool IsNoteReference(const std::vector<Attribute>& attrs) {
    return AttributeOf(attrs, "role") == "doc-noteref" ||
           HasAttribute(attrs, "data-footnote-ref") || HasClassWord(attrs, "footnote-ref");
}
bool IsNotesSection(const std::vector<Attribute>& attrs) {
    return AttributeOf(attrs, "role") == "doc-endnotes" || HasAttribute(attrs, "data-footnotes") ||
           AttributeOf(attrs, "class") == "footnotes";
}
bool IsNoteBacklink(const std::vector<Attribute>& attrs) {
    return AttributeOf(attrs, "role") == "doc-backlink" ||
           HasAttribute(attrs, "data-footnote-backref") || HasClassWord(attrs, "footnote-back");
}

// The permalink that documentation generators put after a heading or caption ("¶").
bool IsPermalink(const std::vector<Attribute>& attrs) {
    return HasClassWord(attrs, "headerlink");
}

// Maps element events onto the builder.
class ElementMapper {
  public:
    explicit ElementMapper(MarkupBuilder& out) : out_(out) {}

    void Start(std::string_view name, const std::vector<Attribute>& attrs) {
        Frame frame;
        if (skip_ > 0 || stack_.size() >= static_cast<std::size_t>(kMaxElementDepth)) {
            ++skip_;
            frame.skipped = true;
            if (noteRef_ && noteKey_.empty() && name == "a") {
                noteKey_ = AttributeOf(attrs, "href");
            }
            stack_.push_back(frame);
            return;
        }
        frame.role = RoleOf(name);
        if (frame.role == Role::Info && ParentRole() != Role::Section) {
            frame.role = Role::Block; // DITA's info: the prose of a task step
        }
        if (inInfo_ > 0 && frame.role != Role::Title && name != "abstract" && name != "para" &&
            name != "p") {
            frame.role = Role::Skip;
        }
        if (IsNoteReference(attrs)) {
            frame.role = Role::Skip;
            frame.noteRef = true;
        } else if ((IsNoteBacklink(attrs) && !InHeading()) || IsPermalink(attrs) ||
                   AttributeOf(attrs, "role") == "navigation" ||
                   (notes_ > 0 && frame.role == Role::Heading)) {
            // A heading's text counts whatever link wraps it: documentation generators link a
            // section's heading back to the table of contents as notes link back to their
            // reference. The permalink sign after a heading is no text.
            frame.role = Role::Skip;
        }
        if (code_ > 0 && frame.role != Role::Skip) {
            frame.role = Role::Inline; // markup inside code is part of the listing
        }
        if (link_ && frame.role != Role::Inline && frame.role != Role::Skip) {
            FlushLink(); // a link around blocks is only a wrapper
        }
        if (IsNotesSection(attrs)) {
            frame.notes = true;
            ++notes_;
        }
        StartRole(frame, name, attrs);
        if (notes_ > 0 && frame.role == Role::Item && HasAttribute(attrs, "id")) {
            frame.noteItem = true;
            auto it = notesByKey_.find(std::string(AttributeOf(attrs, "id")));
            out_.StartFootnote(it != notesByKey_.end() ? it->second : out_.NewFootnote());
            PushFormat(frame, kFormatFootnote);
        }
        stack_.push_back(frame);
    }

    void End() {
        if (stack_.empty()) {
            return;
        }
        const Frame frame = stack_.back();
        stack_.pop_back();
        if (frame.skipped) {
            --skip_;
            return;
        }
        EndRole(frame);
        if (frame.noteItem) {
            out_.EndFootnote();
        }
        if (frame.notes) {
            --notes_;
        }
        if (frame.pushedFormat) {
            formats_.pop_back();
        }
    }

    // Text, with where it stands in the source when that is known. A link's or a listing's text
    // is kept whole, at the place where it begins.
    void Characters(std::string_view utf8, SourcePos at = {}) {
        if (skip_ > 0) {
            return;
        }
        if (code_ > 0) {
            codeAt_ = codeText_.empty() ? at : codeAt_;
            codeText_.append(utf8);
        } else if (link_) {
            linkAt_ = linkText_.empty() ? at : linkAt_;
            linkText_.append(utf8);
        } else {
            out_.SetSource(at);
            out_.Text(utf8, formats_.back());
        }
    }

    // At the end of the input: elements left open are closed.
    void Finish() {
        while (!stack_.empty()) {
            End();
        }
    }

  private:
    struct Frame {
        Role role = Role::Inline;
        bool skipped = false;
        bool pushedFormat = false;
        bool noteRef = false;
        bool notes = false;
        bool noteItem = false;
        bool link = false;
    };

    void PushFormat(Frame& frame, std::string_view format) {
        formats_.push_back(std::string(format));
        frame.pushedFormat = true;
    }

    void StartRole(Frame& frame, std::string_view name, const std::vector<Attribute>& attrs) {
        switch (frame.role) {
        case Role::Inline:
        case Role::Include:
            return;
        case Role::Skip:
            ++skip_;
            if (frame.noteRef) {
                noteRef_ = true;
                noteKey_ = AttributeOf(attrs, "href");
            } else {
                frame.skipped = true;
            }
            return;
        case Role::Block:
        case Role::Item:
            out_.EndParagraph();
            return;
        case Role::Section:
            out_.EndParagraph();
            ++depth_;
            return;
        case Role::Info:
            ++inInfo_;
            return;
        case Role::Title:
            StartTitle();
            return;
        case Role::Heading:
            out_.StartParagraph(HeadingFormat(name[1] - '0'));
            return;
        case Role::Para:
            out_.StartParagraph(formats_.back());
            return;
        case Role::List:
        case Role::OrderedList:
            out_.EndParagraph();
            PushFormat(frame, frame.role == Role::List ? kFormatBulleted : kFormatNumbered);
            return;
        case Role::Quote:
            out_.EndParagraph();
            PushFormat(frame, kFormatQuote);
            return;
        case Role::Code:
            if (code_++ == 0) {
                codeText_.clear();
            }
            return;
        case Role::Table:
            out_.StartTable();
            return;
        case Role::Caption:
            out_.StartTableTitle();
            PushFormat(frame, "");
            return;
        case Role::HeadRows:
        case Role::BodyRows:
            headRows_ = frame.role == Role::HeadRows;
            return;
        case Role::Row:
        case Role::HeadRow:
            out_.StartRow(headRows_ || frame.role == Role::HeadRow);
            return;
        case Role::Cell:
            out_.StartCell();
            PushFormat(frame, "");
            return;
        case Role::Footnote:
            out_.StartFootnote(out_.AnchorNewFootnote());
            PushFormat(frame, kFormatFootnote);
            return;
        case Role::Link:
            if (!link_) {
                link_ = true;
                frame.link = true;
                linkText_.clear();
                linkHref_ = AttributeOf(attrs, "href");
                if (linkHref_.empty()) {
                    linkHref_ = AttributeOf(attrs, "url");
                }
            }
            return;
        case Role::Break:
            out_.Space();
            return;
        }
    }

    void EndRole(const Frame& frame) {
        switch (frame.role) {
        case Role::Inline:
        case Role::Include:
        case Role::Break:
            return;
        case Role::Skip:
            // Only a footnote reference reaches here: its number is not text, the note is
            // anchored where it stands.
            --skip_;
            noteRef_ = false;
            if (std::string_view(noteKey_).starts_with("#")) {
                noteKey_.erase(0, 1);
            }
            if (notesByKey_.find(noteKey_) == notesByKey_.end()) {
                notesByKey_[noteKey_] = out_.AnchorNewFootnote();
            }
            return;
        case Role::Block:
        case Role::Item:
        case Role::Heading:
        case Role::Para:
        case Role::List:
        case Role::OrderedList:
        case Role::Quote:
            out_.EndParagraph();
            return;
        case Role::Section:
            out_.EndParagraph();
            --depth_;
            return;
        case Role::Info:
            --inInfo_;
            return;
        case Role::Title:
            EndTitle();
            return;
        case Role::Code:
            if (--code_ == 0) {
                out_.SetSource(codeAt_);
                out_.CodeBlock(codeText_);
                codeText_.clear();
            }
            return;
        case Role::Table:
            out_.EndTable();
            return;
        case Role::Caption:
            out_.EndTableTitle();
            return;
        case Role::HeadRows:
        case Role::BodyRows:
            headRows_ = false;
            return;
        case Role::Row:
        case Role::HeadRow:
            out_.EndRow();
            return;
        case Role::Cell:
            out_.EndCell();
            return;
        case Role::Footnote:
            out_.EndFootnote();
            return;
        case Role::Link:
            if (frame.link) {
                EndLink();
            }
            return;
        }
    }

    // A title is the heading of its section, the title of its table, or else (a figure's, a
    // note's) a paragraph of its own.
    void StartTitle() {
        const Role parent = ParentRole();
        if (parent == Role::Table) {
            out_.StartTableTitle();
            titles_.push_back(Role::Table);
        } else if (parent == Role::Section || parent == Role::Info) {
            out_.StartParagraph(HeadingFormat(std::max(depth_, 1)));
            titles_.push_back(Role::Section);
        } else {
            out_.StartParagraph(kFormatBody);
            titles_.push_back(Role::Para);
        }
    }

    void EndTitle() {
        const Role kind = titles_.empty() ? Role::Para : titles_.back();
        if (!titles_.empty()) {
            titles_.pop_back();
        }
        if (kind == Role::Table) {
            out_.EndTableTitle();
        } else {
            out_.EndParagraph();
        }
    }

    bool InHeading() const {
        return std::any_of(stack_.begin(), stack_.end(), [](const Frame& f) {
            return f.role == Role::Heading || f.role == Role::Title;
        });
    }

    Role ParentRole() const {
        for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
            if (it->role != Role::Inline) {
                return it->role;
            }
        }
        return Role::Block;
    }

    void FlushLink() {
        link_ = false;
        for (Frame& f : stack_) {
            f.link = false;
        }
        out_.SetSource(linkAt_);
        out_.Text(linkText_, formats_.back());
        linkText_.clear();
    }

    // A link counts by its text, unless the text is the address itself.
    void EndLink() {
        link_ = false;
        std::string_view text = linkText_;
        while (!text.empty() && std::strchr(" \t\r\n", text.front()) != nullptr) {
            text.remove_prefix(1);
        }
        while (!text.empty() && std::strchr(" \t\r\n", text.back()) != nullptr) {
            text.remove_suffix(1);
        }
        const std::string_view href = linkHref_;
        bool isAddress = !text.empty() && text == href;
        for (std::string_view scheme : kUrlSchemes) {
            isAddress = isAddress || (!text.empty() && href.starts_with(scheme) &&
                                      href.substr(scheme.size()) == text);
        }
        if (!isAddress) {
            out_.SetSource(linkAt_);
            out_.Text(linkText_, formats_.back());
        } else {
            out_.Space();
        }
        linkText_.clear();
    }

    MarkupBuilder& out_;
    std::vector<Frame> stack_;
    std::vector<std::string> formats_{std::string()};
    std::vector<Role> titles_;
    std::map<std::string, ObjectId> notesByKey_;
    std::string codeText_, linkText_, linkHref_, noteKey_;
    SourcePos codeAt_, linkAt_;
    int skip_ = 0, depth_ = 0, inInfo_ = 0, code_ = 0, notes_ = 0;
    bool headRows_ = false, link_ = false, noteRef_ = false;
};

// --- HTML: the SAX interface of libxml2's HTML parser, which builds no tree (faster by a third).

// The attributes of an element, into a vector kept from one element to the next.
const std::vector<Attribute>& SaxAttributes(const xmlChar** atts, std::vector<Attribute>& out) {
    out.clear();
    for (int i = 0; atts != nullptr && atts[i] != nullptr; i += 2) {
        const char* value = reinterpret_cast<const char*>(atts[i + 1]);
        out.push_back({reinterpret_cast<const char*>(atts[i]), value ? value : ""});
    }
    return out;
}

// What the parser's callbacks reach through its private pointer. An exception (a budget
// exceeded, memory exhausted) must not unwind through the parser, which is C: the callback keeps
// it and stops the parser, and the reader throws it again once the parser has returned.
struct SaxState {
    ElementMapper& mapper;
    std::vector<Attribute> attributes;
    std::exception_ptr failure;
    TextLocator* locator = nullptr; // null when the text the parser gives is not the file's
    MarkupBuilder* out = nullptr;
    // For each open element: whether its lang attribute set the language, and the one before.
    std::vector<std::pair<bool, std::uint8_t>> languages;
};

template <typename F> void SaxCall(void* ctx, F&& call) {
    auto* parser = static_cast<htmlParserCtxtPtr>(ctx);
    auto& state = *static_cast<SaxState*>(parser->_private);
    if (state.failure) {
        return;
    }
    try {
        call(state);
    } catch (...) {
        state.failure = std::current_exception();
        xmlStopParser(parser);
    }
}

void SaxStart(void* ctx, const xmlChar* name, const xmlChar** atts) {
    SaxCall(ctx, [&](SaxState& state) {
        const std::vector<Attribute>& attributes = SaxAttributes(atts, state.attributes);
        // lang (or xml:lang in XHTML): the language of what the element holds.
        std::pair<bool, std::uint8_t> language{false, 0};
        for (const Attribute& a : attributes)
            if ((a.name == "lang" || a.name == "xml:lang") && !a.value.empty() && state.out)
                language = {true, state.out->SetLanguage(a.value)};
        state.languages.push_back(language);
        state.mapper.Start(reinterpret_cast<const char*>(name), attributes);
    });
}

void SaxEnd(void* ctx, const xmlChar*) {
    SaxCall(ctx, [](SaxState& state) {
        state.mapper.End();
        if (!state.languages.empty()) {
            if (state.languages.back().first && state.out)
                state.out->RestoreLanguage(state.languages.back().second);
            state.languages.pop_back();
        }
    });
}

void SaxCharacters(void* ctx, const xmlChar* text, int len) {
    SaxCall(ctx, [&](SaxState& state) {
        const std::string_view utf8(reinterpret_cast<const char*>(text),
                                    static_cast<std::size_t>(len));
        if (state.locator == nullptr) {
            state.mapper.Characters(utf8);
            return;
        }
        for (const LocatedPiece& piece : state.locator->Locate(utf8)) {
            state.mapper.Characters(piece.text, piece.at != std::string_view::npos
                                                    ? state.locator->index().At(piece.at)
                                                    : SourcePos{});
        }
    });
}

// --- XML: a tree, never with a DTD or an external entity loaded.

// Refuses every external resource: DTDs, external entities, anything by URL.
xmlParserInputPtr RefuseExternal(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

struct ParseError {
    std::string message;
    int line = 0;
};

// libxml2's messages about its own limits advise an option of its parser; the reader says the
// limit as its own ("elements nested more than 256 deep (the limit)").
std::string OwnLimit(std::string message) {
    constexpr std::string_view kDepth = "Excessive depth in document: ";
    constexpr std::string_view kAdvice = "use XML_PARSE_HUGE option";
    if (message.starts_with(kDepth)) {
        int levels = 0;
        const char* digits = message.data() + kDepth.size();
        std::from_chars(digits, message.data() + message.size(), levels);
        return "elements nested more than " + std::to_string(levels) + " deep (the limit)";
    }
    const std::size_t advice = message.find(kAdvice);
    if (advice == std::string::npos) {
        return message;
    }
    message.erase(advice, kAdvice.size());
    while (!message.empty() && std::strchr(" ,:;", message.back()) != nullptr) {
        message.pop_back();
    }
    return message + " (the limit)";
}

// Called by the parser, which is C: nothing may be thrown through it.
void CaptureError(void* ctx, xmlErrorPtr e) noexcept try {
    auto* error = static_cast<ParseError*>(ctx);
    if (e != nullptr && e->level == XML_ERR_FATAL && error->message.empty()) {
        error->message = e->message ? e->message : "malformed";
        while (!error->message.empty() &&
               (error->message.back() == '\n' || error->message.back() == ' ')) {
            error->message.pop_back();
        }
        error->message = OwnLimit(std::move(error->message));
        error->line = e->line;
    }
} catch (...) {
    // out of memory for the message: the open still fails, as "not well-formed"
}

// Whether the XML declaration names a UTF-16 encoding. Open reads a UTF-16 file as the same text
// in UTF-8; the declaration, still saying UTF-16, is then no longer true.
bool DeclaresUtf16(std::string_view data) {
    if (data.starts_with("\xEF\xBB\xBF")) {
        data.remove_prefix(3);
    }
    if (!data.starts_with("<?xml")) {
        return false;
    }
    const std::string_view decl = data.substr(0, data.find("?>"));
    const std::size_t at = decl.find("encoding");
    if (at == std::string_view::npos) {
        return false;
    }
    const std::size_t quote = decl.find_first_of("\"'", at);
    if (quote == std::string_view::npos) {
        return false;
    }
    std::string name(decl.substr(quote + 1, 6));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name == "UTF-16" || name.starts_with("UTF16") || name.starts_with("UCS-2");
}

struct DocDeleter {
    void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
};
using XmlDoc = std::unique_ptr<xmlDoc, DocDeleter>;

// Parses XML with the external loader refused and errors captured, not printed.
XmlDoc ParseXml(std::string_view data, const std::string& path, std::string* error) {
    PrepareXmlReader();
    ParseError captured; // the error handler is the calling thread's own
    xmlSetStructuredErrorFunc(&captured, CaptureError);
    XmlDoc doc;
    int options = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_BIG_LINES;
    if (DeclaresUtf16(data) && IsValidUtf8(data)) {
        options |= XML_PARSE_IGNORE_ENC;
    }
    if (data.size() <= static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        doc.reset(
            xmlReadMemory(data.data(), static_cast<int>(data.size()), nullptr, nullptr, options));
    } else {
        captured.message = "file too large";
    }
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (doc == nullptr) {
        *error = path + ":" + std::to_string(captured.line) + ": malformed XML: " +
                 (captured.message.empty() ? "not well-formed" : captured.message);
    }
    return doc;
}

std::string_view NodeName(xmlNodePtr node) {
    const std::string_view name = reinterpret_cast<const char*>(node->name);
    if (node->ns != nullptr && node->ns->href != nullptr &&
        reinterpret_cast<const char*>(node->ns->href) == kXIncludeNamespace) {
        return name == "include" ? "include" : "xinclude-other";
    }
    return name;
}

std::vector<Attribute> TreeAttributes(xmlNodePtr node) {
    std::vector<Attribute> out;
    for (xmlAttrPtr a = node->properties; a != nullptr; a = a->next) {
        std::string_view value;
        if (a->children != nullptr && a->children->next == nullptr &&
            a->children->content != nullptr) {
            value = reinterpret_cast<const char*>(a->children->content);
        }
        out.push_back({reinterpret_cast<const char*>(a->name), value});
    }
    return out;
}

// DocBook and DITA documents by their root element.
constexpr std::string_view kDocumentRoots[] = {
    "article",         "book",    "chapter", "part",      "preface",
    "appendix",        "section", "sect1",   "refentry",  "glossary",
    "topic",           "concept", "task",    "reference", "glossentry",
    "troubleshooting", "dita",    "html"};

bool IsDocumentRoot(std::string_view name) {
    return std::find(std::begin(kDocumentRoots), std::end(kDocumentRoots), name) !=
           std::end(kDocumentRoots);
}

bool HasXInclude(xmlNodePtr node) {
    for (; node != nullptr; node = node->next) {
        if (node->type == XML_ELEMENT_NODE &&
            (NodeName(node) == "include" || HasXInclude(node->children))) {
            return true;
        }
    }
    return false;
}

std::string AttributeText(xmlNodePtr node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string out = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return out;
}

// Elements of a book that describe it rather than being its text.
bool IsBookMetadata(std::string_view name) {
    return name == "title" || name == "subtitle" || name == "titleabbrev" || name == "info" ||
           name == "bookinfo";
}

bool IsXmlNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Whether text is an element id: a name that does not begin with a digit, '-' or '.'.
bool IsElementId(std::string_view s) {
    return !s.empty() && !std::isdigit(static_cast<unsigned char>(s[0])) && s[0] != '-' &&
           s[0] != '.' && std::all_of(s.begin(), s.end(), IsXmlNameChar);
}

// The part of a file that an XInclude's xpointer names, as the fragment of a chapter path: an
// element's id ("intro" or "element(intro)"), or its place among the elements counted from the
// root ("element(/1/3/2)": "3.2", the second element of the third under the root; "element(/1)"
// is the whole file, ""). These simple forms are read rather than refused because books commonly
// take one chapter or section of a shared file by its id. Any other pointer (the xpointer()
// scheme of XPath expressions, an id followed by a child sequence, several parts) fails with the
// reason: reading the whole file instead would count text the author did not include.
bool PartFragment(std::string_view xpointer, std::string* fragment, std::string* reason) {
    fragment->clear();
    if (IsElementId(xpointer)) {
        *fragment = std::string(xpointer);
        return true;
    }
    constexpr std::string_view kElement = "element(";
    if (xpointer.starts_with(kElement) && xpointer.ends_with(")")) {
        std::string_view inner = xpointer.substr(kElement.size());
        inner.remove_suffix(1);
        if (IsElementId(inner)) {
            *fragment = std::string(inner);
            return true;
        }
        if (inner.starts_with("/1") && (inner.size() == 2 || inner[2] == '/')) {
            inner.remove_prefix(2);
            std::string places;
            bool ok = true;
            while (ok && !inner.empty()) {
                inner.remove_prefix(1); // the '/'
                const std::size_t end = std::min(inner.find('/'), inner.size());
                const std::string_view step = inner.substr(0, end);
                ok = !step.empty() && step.size() <= 9 && step[0] != '0' &&
                     std::all_of(step.begin(), step.end(), [](char c) {
                         return std::isdigit(static_cast<unsigned char>(c));
                     });
                places += (places.empty() ? "" : ".") + std::string(step);
                inner.remove_prefix(end);
            }
            if (ok) {
                *fragment = places;
                return true;
            }
        }
    }
    *reason = "the xpointer '" + std::string(xpointer) +
              "' is not supported (only an element's id, or element() with an id or with a child "
              "sequence from the root)";
    return false;
}

std::string ElementId(xmlNodePtr node) {
    return AttributeText(node, "id"); // xml:id in DocBook 5, id in DocBook 4 and DITA
}

// The element that a chapter path's fragment names (PartFragment), or null.
xmlNodePtr FindPart(xmlNodePtr root, std::string_view fragment) {
    if (root == nullptr || fragment.empty()) {
        return root;
    }
    if (std::isdigit(static_cast<unsigned char>(fragment[0]))) {
        xmlNodePtr node = root;
        while (node != nullptr && !fragment.empty()) {
            const std::size_t end = std::min(fragment.find('.'), fragment.size());
            int place = 0;
            const std::string_view step = fragment.substr(0, end);
            if (std::from_chars(step.data(), step.data() + step.size(), place).ptr !=
                    step.data() + step.size() ||
                place < 1) {
                return nullptr;
            }
            xmlNodePtr child = node->children;
            for (int seen = 0; child != nullptr; child = child->next) {
                if (child->type == XML_ELEMENT_NODE && ++seen == place) {
                    break;
                }
            }
            node = child;
            fragment.remove_prefix(std::min(end + 1, fragment.size()));
        }
        return node;
    }
    // The first element with the id, in document order, walked without recursion (nesting may
    // be deep).
    for (xmlNodePtr node = root; node != nullptr;) {
        if (node->type == XML_ELEMENT_NODE) {
            if (ElementId(node) == fragment) {
                return node;
            }
            if (node->children != nullptr) {
                node = node->children;
                continue;
            }
        }
        while (node != root && node->next == nullptr) {
            node = node->parent;
        }
        node = node == root ? nullptr : node->next;
    }
    return nullptr;
}

// The chapters of a DocBook book made of XIncludes, in document order. An XInclude names a file,
// or the part of one its xpointer names; a chapter written in the book itself is the part of the
// book file that it is, named by its id or, without one, by its place. A part made of XIncludes
// lists its chapters; text inclusions are listings, not chapters. false with the reason in
// *error for an xpointer that is not supported.
bool BookChapters(xmlNodePtr parent, const std::string& bookPath, const std::string& place,
                  const std::string& dir, std::vector<std::string>* files, std::string* error) {
    int index = 0;
    for (xmlNodePtr node = parent->children; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        const std::string here = (place.empty() ? "" : place + ".") + std::to_string(++index);
        const std::string_view name = NodeName(node);
        if (name == "include") {
            const std::string path = ChapterPath(AttributeText(node, "href"), dir);
            if (path.empty() || AttributeText(node, "parse") == "text") {
                continue;
            }
            std::string fragment, reason;
            const std::string xpointer = AttributeText(node, "xpointer");
            if (!xpointer.empty() && !PartFragment(xpointer, &fragment, &reason)) {
                *error = bookPath + ": " + reason;
                return false;
            }
            files->push_back(fragment.empty() ? path : path + "#" + fragment);
        } else if (HasXInclude(node->children)) {
            if (!BookChapters(node, bookPath, here, dir, files, error)) {
                return false;
            }
        } else if (!IsBookMetadata(name) && name != "xinclude-other") {
            const std::string id = ElementId(node);
            files->push_back(bookPath + "#" + (IsElementId(id) ? id : here));
        }
    }
    return true;
}

// What the walk of a DITA map gathers: its topics, the maps read, and the nested maps refused.
struct MapWalk {
    std::string root; // the folder of the top map
    bool allowOutside = false;
    std::vector<std::string> files;
    std::vector<std::string> maps;
    std::vector<FolderRefusal> refused;
};

// The topics of a DITA map in map order. Nested maps are followed, each once, when they lie in
// the folder of the top map once links are followed (unless allowed anywhere): a nested map
// outside it takes the place of its topics in the book, refused like a chapter outside.
void MapTopics(xmlNodePtr node, const std::string& dir, MapWalk& walk, std::string* error);

void ReadNestedMap(const std::string& path, MapWalk& walk, std::string* error) {
    std::vector<std::string>& maps = walk.maps;
    if (!error->empty() || std::find(maps.begin(), maps.end(), path) != maps.end() ||
        maps.size() >= kMaxNestedMaps) {
        return;
    }
    maps.push_back(path);
    if (!walk.allowOutside && !LiesInFolder(path, walk.root)) {
        walk.files.push_back(path);
        walk.refused.push_back({path, OutsideFolderMessage("nested map", path, walk.root)});
        return;
    }
    std::string data;
    if (!ReadSourceFile(path, &data, error)) {
        return;
    }
    XmlDoc doc = ParseXml(data, path, error);
    if (doc != nullptr) {
        MapTopics(xmlDocGetRootElement(doc.get()),
                  std::filesystem::path(path).parent_path().string(), walk, error);
    }
}

void MapTopics(xmlNodePtr node, const std::string& dir, MapWalk& walk, std::string* error) {
    for (; node != nullptr; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) {
            continue;
        }
        const std::string_view name = NodeName(node);
        // Relationship tables, key definitions and metadata are not the reading order.
        if (name == "reltable" || name == "keydef" || name == "topicmeta" || name == "bookmeta" ||
            name == "frontmatter-meta") {
            continue;
        }
        const std::string href = AttributeText(node, "href");
        const std::string format = AttributeText(node, "format");
        const bool external = AttributeText(node, "scope") == "external";
        const std::string path = external ? std::string() : ChapterPath(href, dir);
        if (!path.empty()) {
            if (format == "ditamap" || std::filesystem::path(path).extension() == ".ditamap") {
                ReadNestedMap(path, walk, error);
            } else if (format.empty() || format == "dita" || format == "markdown" ||
                       format == "md" || format == "html") {
                walk.files.push_back(path);
            }
        }
        MapTopics(node->children, dir, walk, error);
    }
}

// A book of the files, held to the folder of the book file.
ObjectId BookOfFiles(Session& session, const std::string& path,
                     const std::vector<std::string>& files) {
    Book& book = session.NewBook();
    book.path = path;
    for (const std::string& file : files) {
        book.AddComponent(0, kComponentFile, file);
    }
    ConfineBook(book, std::filesystem::path(path).parent_path().string(), session.readerOptions);
    return book.id();
}

// A file that XIncludes read: read, and parsed, once however often it is included.
struct IncludedFile {
    std::string data;
    std::string readError;
    bool parsed = false;
    XmlDoc xml;
    std::string parseError;
};

// The files that XIncludes read in a run, by path, kept in the session from one document to the
// next (the chapters of a book often include the same files), and the bytes they were read for.
struct IncludeCache {
    std::map<std::string, std::shared_ptr<IncludedFile>> files;
    std::size_t cachedBytes = 0;
    std::size_t includedBytes = 0;
};

} // namespace

bool IncludesCached(const std::shared_ptr<void>& readerCache) {
    const auto* cache = static_cast<const IncludeCache*>(readerCache.get());
    return cache != nullptr && (!cache->files.empty() || cache->includedBytes != 0);
}

namespace {

IncludeCache& IncludeCacheOf(Session& session) {
    if (session.readerCache == nullptr) {
        session.readerCache = std::make_shared<IncludeCache>();
    }
    return *static_cast<IncludeCache*>(session.readerCache.get());
}

// Walks a parsed XML tree into the mapper. Internal entities are expanded here (the parser
// keeps the references); the characters of the DocBook and DITA entity sets, whose DTDs are never
// loaded, are looked up by their HTML names. XIncludes of other files are read in place, from
// the folder of the top file only, once links are followed (anywhere when the options allow);
// an include that cannot be read fails the whole file. What entities expand to and what
// XIncludes read is counted against the readers' budgets; past one the walk throws
// BudgetExceeded.
class TreeWalker {
  public:
    // locator: where the text of the top file stands in it (text that entities and XIncludes
    // bring gets no position).
    TreeWalker(ElementMapper& mapper, MarkupBuilder& out, IncludeCache& cache, std::string root,
               bool allowOutside, std::string* error, TextLocator& locator)
        : m_(mapper), out_(out), cache_(cache), root_(std::move(root)), allowOutside_(allowOutside),
          error_(error), locator_(locator) {}

    void Walk(xmlDocPtr doc, xmlNodePtr node, const std::string& dir, int depth) {
        for (; node != nullptr && error_->empty(); node = node->next) {
            WalkNode(doc, node, dir, depth);
        }
    }

    // One node and what it holds (its siblings not).
    void WalkNode(xmlDocPtr doc, xmlNodePtr node, const std::string& dir, int depth) {
        switch (node->type) {
        case XML_ELEMENT_NODE:
            ChargeEntityText(kEntityElementCost);
            if (NodeName(node) == "include") {
                Include(node, dir, depth);
                break;
            }
            {
                // lang (HTML) or xml:lang (DocBook, DITA, XHTML): the language of what it holds.
                const std::string language = AttributeText(node, "lang");
                const std::uint8_t outer = language.empty() ? 0 : out_.SetLanguage(language);
                m_.Start(NodeName(node), TreeAttributes(node));
                if (depth < kMaxElementDepth) {
                    Walk(doc, node->children, dir, depth + 1);
                }
                m_.End();
                if (!language.empty()) {
                    out_.RestoreLanguage(outer);
                }
                break;
            }
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            if (node->content != nullptr) {
                const std::string_view text = reinterpret_cast<const char*>(node->content);
                ChargeEntityText(text.size());
                Characters(text);
            }
            break;
        case XML_ENTITY_REF_NODE:
            if (InTopFile() && node->name != nullptr) {
                locator_.SkipPast("&" + std::string(reinterpret_cast<const char*>(node->name)) +
                                  ";");
            }
            Entity(doc, node, dir, depth);
            break;
        default:
            break;
        }
    }

  private:
    bool InTopFile() const { return entities_ == 0 && open_.empty(); }

    void Characters(std::string_view text) {
        if (!InTopFile()) {
            m_.Characters(text);
            return;
        }
        for (const LocatedPiece& piece : locator_.Locate(text)) {
            m_.Characters(piece.text, piece.at != std::string_view::npos
                                          ? locator_.index().At(piece.at)
                                          : SourcePos{});
        }
    }

    // Counts what an entity reference being expanded adds.
    void ChargeEntityText(std::size_t amount) {
        if (entities_ == 0) {
            return;
        }
        entityText_ += amount;
        if (entityText_ > kMaxEntityText) {
            throw BudgetExceeded("more than " + MegabytesText(kMaxEntityText) +
                                 " of text after expanding entities (the limit)");
        }
    }

    void Entity(xmlDocPtr doc, xmlNodePtr ref, const std::string& dir, int depth) {
        xmlEntityPtr entity = xmlGetDocEntity(doc, ref->name);
        if (entity != nullptr) {
            if (entity->etype == XML_INTERNAL_GENERAL_ENTITY && entities_ < kMaxEntityDepth) {
                ++entities_;
                if (entity->children != nullptr) {
                    Walk(doc, entity->children, dir, depth + 1);
                } else if (entity->content != nullptr) {
                    const std::string_view text = reinterpret_cast<const char*>(entity->content);
                    ChargeEntityText(text.size());
                    m_.Characters(text);
                }
                --entities_;
            }
            return; // an external entity is never read
        }
        if (const htmlEntityDesc* known = htmlEntityLookup(ref->name)) {
            std::string utf8;
            AppendUtf8(known->value, utf8);
            m_.Characters(utf8);
        }
    }

    // The file at path, read at its first inclusion in the run. The files of the run are let go
    // when they would hold more than their budget; a walk keeps those it is in.
    std::shared_ptr<IncludedFile> Read(const std::string& path) {
        if (auto it = cache_.files.find(path); it != cache_.files.end()) {
            return it->second;
        }
        auto file = std::make_shared<IncludedFile>();
        ReadSourceFile(path, &file->data, &file->readError);
        if (cache_.cachedBytes + file->data.size() > kMaxCachedIncludedBytes) {
            cache_.files.clear();
            cache_.cachedBytes = 0;
        }
        cache_.cachedBytes += file->data.size();
        cache_.files.emplace(path, file);
        return file;
    }

    void Include(xmlNodePtr node, const std::string& dir, int depth) {
        const std::string path = ChapterPath(AttributeText(node, "href"), dir);
        if (path.empty()) {
            return; // a web address, or the file itself: nothing to read
        }
        if (!allowOutside_ && !LiesInFolder(path, root_)) {
            *error_ = OutsideFolderMessage("included file", path, root_);
            return;
        }
        if (open_.size() >= kMaxIncludeDepth ||
            std::find(open_.begin(), open_.end(), path) != open_.end()) {
            *error_ = path + ": not read: it includes itself";
            return;
        }
        if (++includes_ > kMaxIncludes) {
            throw BudgetExceeded("more than " + std::to_string(kMaxIncludes) +
                                 " XIncludes (the limit)");
        }
        const std::string xpointer = AttributeText(node, "xpointer");
        const std::shared_ptr<IncludedFile> held = Read(path);
        IncludedFile& file = *held;
        if (!file.readError.empty()) {
            *error_ = file.readError;
            return;
        }
        includedBytes_ += file.data.size();
        cache_.includedBytes += file.data.size();
        out_.AddInput(file.data.size());
        if (includedBytes_ > kMaxIncludedBytes) {
            throw BudgetExceeded("more than " + MegabytesText(kMaxIncludedBytes) +
                                 " of files read by XIncludes (the limit)");
        }
        if (cache_.includedBytes > kMaxRunIncludedBytes) {
            throw BudgetExceeded("more than " + MegabytesText(kMaxRunIncludedBytes) +
                                 " of files read by XIncludes in this run (the limit)");
        }
        if (AttributeText(node, "parse") == "text") {
            if (!xpointer.empty()) {
                *error_ = path + ": not read: an xpointer cannot select a part of a text inclusion";
                return;
            }
            m_.Characters(file.data);
            return;
        }
        std::string fragment, reason;
        if (!xpointer.empty() && !PartFragment(xpointer, &fragment, &reason)) {
            *error_ = path + ": not read: " + reason;
            return;
        }
        if (!file.parsed) {
            file.parsed = true;
            file.xml = ParseXml(file.data, path, &file.parseError);
        }
        if (file.xml == nullptr) {
            *error_ = file.parseError;
            return;
        }
        xmlNodePtr part = FindPart(xmlDocGetRootElement(file.xml.get()), fragment);
        if (part == nullptr) {
            *error_ =
                path + ": not read: no element '" + fragment + "' (xpointer '" + xpointer + "')";
            return;
        }
        open_.push_back(path);
        WalkNode(file.xml.get(), part, std::filesystem::path(path).parent_path().string(),
                 depth + 1);
        open_.pop_back();
    }

    ElementMapper& m_;
    MarkupBuilder& out_;
    IncludeCache& cache_;
    std::string root_;
    bool allowOutside_;
    std::string* error_;
    TextLocator& locator_;
    std::vector<std::string> open_;
    int entities_ = 0;
    std::size_t entityText_ = 0, includes_ = 0, includedBytes_ = 0;
};

} // namespace

void PrepareXmlReader() {
    // The parser's global tables are set up once, and the loader of external resources (a
    // process-wide setting, which threads setting and restoring it in turn would race on) refuses
    // everything from then on.
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(RefuseExternal);
    });
}

bool XmlSupported() {
    return true;
}

bool ReadHtml(std::string_view data, Document& doc, const ReaderOptions& options,
              std::string* error) {
    if (data.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        *error = "file too large";
        return false;
    }
    PrepareXmlReader();
    MarkupBuilder out(doc, options);
    out.AddInput(data.size());
    ElementMapper mapper(out);
    int parseOptions =
        HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    htmlParserCtxtPtr ctxt = htmlCreateMemoryParserCtxt(data.data(), static_cast<int>(data.size()));
    if (ctxt == nullptr) {
        *error = "out of memory";
        return false;
    }
    // A page that is valid UTF-8 is read as UTF-8 whatever it declares (or fails to declare:
    // the parser would guess Latin-1); any other page is decoded as it declares.
    if (IsValidUtf8(data)) {
        xmlSwitchEncoding(ctxt, XML_CHAR_ENCODING_UTF8);
        parseOptions |= HTML_PARSE_IGNORE_ENC;
    }
    htmlSAXHandler sax{};
    sax.startElement = SaxStart;
    sax.endElement = SaxEnd;
    sax.characters = SaxCharacters;
    sax.cdataBlock = SaxCharacters;
    // White space between two inline elements separates their words.
    sax.ignorableWhitespace = SaxCharacters;
    *ctxt->sax = sax;
    // A page read as UTF-8 is the text the parser gives; one decoded from another encoding is not.
    SourceIndex index(data);
    TextLocator locator(index, SourceSyntax::Markup);
    SaxState state{mapper, {}, nullptr, IsValidUtf8(data) ? &locator : nullptr, &out, {}};
    ctxt->_private = &state;
    htmlCtxtUseOptions(ctxt, parseOptions);
    htmlParseDocument(ctxt);
    htmlFreeParserCtxt(ctxt);
    if (state.failure) {
        std::rethrow_exception(state.failure);
    }
    mapper.Finish();
    out.Finish();
    return true;
}

namespace {

// A document of the element `part` of a parsed file (the root: the whole file), with its XIncludes
// read from the folder of `dir` only. xmlBytes: the size of the file, which the budget of the
// document's objects grows with.
ObjectId ReadXmlDocument(Session& session, xmlDocPtr xml, std::string_view data, xmlNodePtr part,
                         const std::string& dir, const std::string& path, bool asTemplate,
                         std::int32_t* status, std::string* error) {
    Document& doc = session.NewDocument();
    doc.path = asTemplate ? std::string() : path;
    MarkupBuilder out(doc, session.readerOptions);
    out.AddInput(data.size());
    ElementMapper mapper(out);
    error->clear();
    SourceIndex index(data);
    TextLocator locator(index, SourceSyntax::Markup);
    if (part != xmlDocGetRootElement(xml)) {
        // A part of the file: its text is looked for from the line its element is on.
        const long line = xmlGetLineNo(part);
        locator.SkipTo(line > 0 ? index.LineStart(static_cast<std::uint32_t>(line)) : 0);
    }
    TreeWalker(mapper, out, IncludeCacheOf(session), dir, session.readerOptions.allowOutside, error,
               locator)
        .WalkNode(xml, part, dir, 0);
    if (!error->empty()) {
        session.Close(doc.id(), 1);
        *status = kErrBadFile;
        return 0;
    }
    mapper.Finish();
    out.Finish();
    *status = kOk;
    return doc.id();
}

ObjectId ReadXml(Session& session, std::string_view data, const std::string& path, bool asTemplate,
                 std::int32_t* status, std::string* error) {
    namespace fs = std::filesystem;
    XmlDoc xml = ParseXml(data, path, error);
    if (xml == nullptr) {
        *status = kErrBadFile;
        return 0;
    }
    xmlNodePtr root = xmlDocGetRootElement(xml.get());
    const std::string_view name = root ? NodeName(root) : std::string_view();
    const std::string dir = fs::path(path).parent_path().string();
    *status = kOk;
    if (name == "map" || name == "bookmap") {
        MapWalk walk{dir, session.readerOptions.allowOutside, {}, {path}, {}};
        error->clear();
        MapTopics(root->children, dir, walk, error);
        if (!error->empty()) {
            *status = kErrBadFile;
            return 0;
        }
        const ObjectId id = BookOfFiles(session, path, walk.files);
        for (FolderRefusal& r : walk.refused) {
            session.FindBook(id)->refused.insert_or_assign(std::move(r.path), std::move(r.message));
        }
        return id;
    }
    if (name == "book" && HasXInclude(root->children)) {
        std::vector<std::string> files;
        if (!BookChapters(root, path, "", dir, &files, error)) {
            *status = kErrBadFile;
            return 0;
        }
        return BookOfFiles(session, path, files);
    }
    if (!IsDocumentRoot(name)) {
        *status = kErrNotDocument;
        *error = path + ": not a DocBook, DITA or XHTML document (its root element is <" +
                 std::string(name) + ">)";
        return 0;
    }
    return ReadXmlDocument(session, xml.get(), data, root, dir, path, asTemplate, status, error);
}

} // namespace

ObjectId OpenXml(Session& session, std::string_view data, const std::string& path, bool asTemplate,
                 std::int32_t* status, std::string* error) {
    return OpenGuarded(session, path, status, error,
                       [&] { return ReadXml(session, data, path, asTemplate, status, error); });
}

namespace {

std::vector<std::string> ReadFolderBookEntries(const std::string& path) {
    std::string data, error;
    XmlDoc xml;
    if (ReadSourceFile(path, &data, &error)) {
        xml = ParseXml(data, path, &error);
    }
    xmlNodePtr root = xml != nullptr ? xmlDocGetRootElement(xml.get()) : nullptr;
    if (root == nullptr || NodeName(root) != "book" || !HasXInclude(root->children)) {
        return {path}; // a document, or a file whose fault opening it will report
    }
    std::vector<std::string> chapters, own;
    if (!BookChapters(root, path, "", std::filesystem::path(path).parent_path().string(), &chapters,
                      &error)) {
        return {path};
    }
    const std::string prefix = path + "#";
    std::copy_if(chapters.begin(), chapters.end(), std::back_inserter(own),
                 [&](const std::string& c) { return c.starts_with(prefix); });
    return own;
}

ObjectId ReadXmlPart(Session& session, std::string_view data, const std::string& file,
                     std::string_view fragment, const std::string& path, bool asTemplate,
                     std::int32_t* status, std::string* error) {
    XmlDoc xml = ParseXml(data, file, error);
    if (xml == nullptr) {
        *status = kErrBadFile;
        return 0;
    }
    xmlNodePtr part = FindPart(xmlDocGetRootElement(xml.get()), fragment);
    if (part == nullptr) {
        *status = kErrFileNotFound;
        *error = path + ": cannot open: the file has no element '" + std::string(fragment) + "'";
        return 0;
    }
    return ReadXmlDocument(session, xml.get(), data, part,
                           std::filesystem::path(file).parent_path().string(), path, asTemplate,
                           status, error);
}

} // namespace

std::vector<std::string> FolderBookEntries(const std::string& path) {
    try {
        return ReadFolderBookEntries(path);
    } catch (const std::exception&) {
        return {path}; // opening the file will report what went wrong
    }
}

ObjectId OpenXmlPart(Session& session, std::string_view data, const std::string& file,
                     std::string_view fragment, const std::string& path, bool asTemplate,
                     std::int32_t* status, std::string* error) {
    return OpenGuarded(session, path, status, error, [&] {
        return ReadXmlPart(session, data, file, fragment, path, asTemplate, status, error);
    });
}

#endif

} // namespace lxhost

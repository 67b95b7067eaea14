// The plain-text reader.
#include "host/formats/plain_text_reader.h"

#include "host/formats/file_bytes.h"
#include "host/formats/frameroman.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace lxhost {

namespace {

// How far the reader goes before it gives back the memory of the text behind it.
constexpr std::ptrdiff_t kReleaseBlock = std::ptrdiff_t{1} << 20;

} // namespace

void ReadPlainText(std::string_view data, Document& doc, FileBytes* file) {
    doc.AddDefaultFormats();
    const Metric margin = 72 * kMetricPoint;
    const ObjectId frame = doc.AddBodyPageWithFrame(
        {margin, margin, doc.pageWidth - 2 * margin, doc.pageHeight - 2 * margin});
    doc.mainFlow = doc.AddFlow("A");
    if (data.starts_with("\xEF\xBB\xBF")) {
        data.remove_prefix(3);
    }
    // The text read so far is given back a block at a time: the file is never resident whole
    // beside the document.
    const char* releasedTo = data.data();
    auto passed = [&](const char* at) {
        if (file != nullptr && at - releasedTo >= kReleaseBlock) {
            file->Release(releasedTo, at);
            releasedTo = at;
        }
    };
    auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
    };
    // The paragraphs, and the lines of each after its first (a source mark each), counted before
    // anything is built: the lists get room for all at once, where growing them by doubling would
    // move everything read so far and hold both copies at the peak.
    std::size_t paragraphs = 0, laterLines = 0;
    bool inParagraph = false;
    for (std::string_view rest = data; !rest.empty();) {
        const std::size_t nl = rest.find('\n');
        const std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        passed(rest.data());
        if (std::all_of(line.begin(), line.end(), isBlank)) {
            inParagraph = false;
        } else if (inParagraph) {
            ++laterLines;
        } else {
            ++paragraphs;
            inParagraph = true;
        }
    }
    releasedTo = data.data();
    doc.paras.reserve(doc.paras.size() + paragraphs + 1);
    doc.sourceMarks.reserve(doc.sourceMarks.size() + laterLines);
    std::string paragraph;
    // Where each line of the paragraph begins: its offset in the paragraph and in the file.
    std::vector<std::pair<std::int32_t, SourcePos>> lineStarts;
    std::uint32_t lineNumber = 0;
    auto flush = [&] {
        if (!paragraph.empty()) {
            const ObjectId p = doc.AppendParagraph(doc.mainFlow, 0, frame);
            doc.KeepText(doc.paras.back().body,
                         paragraph); // the paragraph is whole: no copy of its own
            for (const auto& [offset, pos] : lineStarts) {
                doc.MarkSource(p, offset, pos);
            }
            paragraph.clear();
        }
        lineStarts.clear();
    };
    while (!data.empty()) {
        ++lineNumber;
        const std::size_t nl = data.find('\n');
        std::string_view raw = data.substr(0, nl);
        data.remove_prefix(nl == std::string_view::npos ? data.size() : nl + 1);
        passed(data.data());
        std::size_t b = 0, e = raw.size();
        while (b < e && isBlank(raw[b]))
            ++b;
        if (b == e) {
            flush(); // a blank line ends the paragraph
            continue;
        }
        while (isBlank(raw[e - 1]))
            --e;
        if (!paragraph.empty()) {
            paragraph.push_back(' ');
        }
        // The white space before the text is ASCII: a column a byte.
        lineStarts.emplace_back(static_cast<std::int32_t>(paragraph.size()),
                                SourcePos{lineNumber, static_cast<std::uint32_t>(b + 1)});
        // Converted in place: a combining mark that begins the line finds a space before it, with
        // which it makes no character, as it would find nothing.
        doc.charactersWithoutForm += Utf8ToFrameRoman(raw.substr(b, e - b), paragraph);
    }
    flush();
    doc.FinishSourceMarks();
    if (doc.FindFlow(doc.mainFlow)->firstPara == 0) {
        doc.AppendParagraph(doc.mainFlow, 0, frame);
    }
    doc.LinkFlowFrames(doc.mainFlow);
    const ObjectId first = doc.FindFlow(doc.mainFlow)->firstPara;
    doc.selection = {{first, 0}, {first, 0}};
}

ObjectId OpenPlainText(Session& session, const OpenRequest& request, std::int32_t* /*status*/,
                       std::string* /*error*/) {
    Document& d = session.NewDocument();
    d.path = request.asTemplate ? std::string() : request.path;
    ReadPlainText(request.data, d, request.file);
    return d.id();
}

} // namespace lxhost

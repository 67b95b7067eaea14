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

void ReadPlainText(std::string_view data, Document& doc, FileBytes* file, const TextScan* scan) {
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
    // The lists get room for every paragraph and source mark at once, where growing them by
    // doubling would move everything read so far and hold both copies at the peak. The counts
    // come from the first pass over the file; text that had none is counted here.
    const TextScan shape = scan != nullptr ? *scan : ScanWholeText(data);
    doc.paras.reserve(doc.paras.size() + shape.paragraphs + 1);
    doc.sourceMarks.reserve(doc.sourceMarks.size() + shape.laterLines);
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
        // Most lines are printable ASCII to their end ("\r\n" included): found and taken as
        // they are in one pass, where another line is looked through for its end and converted.
        std::size_t nl = PrintableAsciiEnd(data, 0);
        if (nl + 1 < data.size() && data[nl] == '\r' && data[nl + 1] == '\n') {
            ++nl;
        }
        const bool ascii = nl == data.size() || data[nl] == '\n';
        if (!ascii) {
            nl = std::min(data.find('\n', nl), data.size());
        }
        std::string_view raw = data.substr(0, nl);
        data.remove_prefix(std::min(nl + 1, data.size()));
        passed(data.data());
        std::size_t b = 0, e = raw.size();
        while (b < e && IsBlankByte(raw[b]))
            ++b;
        if (b == e) {
            flush(); // a blank line ends the paragraph
            continue;
        }
        while (IsBlankByte(raw[e - 1]))
            --e;
        if (!paragraph.empty()) {
            paragraph.push_back(' ');
        }
        // The white space before the text is ASCII: a column a byte.
        lineStarts.emplace_back(static_cast<std::int32_t>(paragraph.size()),
                                SourcePos{lineNumber, static_cast<std::uint32_t>(b + 1)});
        // Converted in place: a combining mark that begins the line finds a space before it, with
        // which it makes no character, as it would find nothing.
        if (ascii) {
            paragraph.append(raw.substr(b, e - b));
        } else {
            doc.charactersWithoutForm += Utf8ToFrameRoman(raw.substr(b, e - b), paragraph);
        }
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
    ReadPlainText(request.data, d, request.file, request.scan);
    return d.id();
}

} // namespace lxhost

// The plain-text reader.
#include "host/formats/plain_text_reader.h"

#include "host/formats/frameroman.h"

#include <utility>
#include <vector>

namespace lxhost {

void ReadPlainText(std::string_view data, Document& doc) {
    doc.AddDefaultFormats();
    const Metric margin = 72 * kMetricPoint;
    const ObjectId frame = doc.AddBodyPageWithFrame(
        {margin, margin, doc.pageWidth - 2 * margin, doc.pageHeight - 2 * margin});
    doc.mainFlow = doc.AddFlow("A");
    if (data.starts_with("\xEF\xBB\xBF")) {
        data.remove_prefix(3);
    }
    std::string paragraph;
    std::string line;
    // Where each line of the paragraph begins: its offset in the paragraph and in the file.
    std::vector<std::pair<std::int32_t, SourcePos>> lineStarts;
    std::uint32_t lineNumber = 0;
    auto flush = [&] {
        if (!paragraph.empty()) {
            const ObjectId p = doc.AppendParagraph(doc.mainFlow, 0, frame);
            doc.FindParagraph(p)->body.Append(paragraph, true);
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
        const std::size_t b = raw.find_first_not_of(" \t\r\f\v");
        if (b == std::string_view::npos) {
            flush(); // a blank line ends the paragraph
            continue;
        }
        raw = raw.substr(b, raw.find_last_not_of(" \t\r\f\v") - b + 1);
        line.clear();
        doc.charactersWithoutForm += Utf8ToFrameRoman(raw, line);
        if (!paragraph.empty()) {
            paragraph.push_back(' ');
        }
        // The white space before the text is ASCII: a column a byte.
        lineStarts.emplace_back(static_cast<std::int32_t>(paragraph.size()),
                                SourcePos{lineNumber, static_cast<std::uint32_t>(b + 1)});
        paragraph += line;
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
    ReadPlainText(request.data, d);
    return d.id();
}

} // namespace lxhost

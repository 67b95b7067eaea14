// The Markdown reader's fuzz target: any input is a document (and an mdBook summary); nothing may
// crash, leak or read out of bounds, and the document must survive the MIF writer.
#include "fuzz/fuzz_target.h"
#include "fuzz/source_check.h"
#include "host/formats/markup.h"

#include <string>
#include <vector>

LX_FUZZ_TARGET(input) {
    using namespace lxhost;
    Session session;
    std::string error;
    Document& doc = session.NewDocument();
    if (ReadMarkdown(input, doc, {}, &error)) {
        CheckSourceDocument(session, doc);
    }
    std::vector<std::string> chapters;
    SummaryChapters(input, "/book", &chapters);
}

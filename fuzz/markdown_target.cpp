// The Markdown reader's fuzz target: any input is a document (and an mdBook summary) or is refused
// for a budget; nothing may crash, leak or read out of bounds, and the document must survive the
// MIF writer.
#include "fuzz/fuzz_target.h"
#include "fuzz/source_check.h"
#include "host/formats/markup.h"
#include "host/formats/reader_budgets.h"

#include <string>
#include <vector>

LX_FUZZ_TARGET(input) {
    using namespace lxhost;
    Session session;
    std::string error;
    Document& doc = session.NewDocument();
    // Tables past the readers' budgets are refused, not read: a refusal is an answer too.
    try {
        if (ReadMarkdown(input, doc, {}, &error)) {
            CheckSourceDocument(session, doc);
        }
        std::vector<std::string> chapters;
        SummaryChapters(input, "/book", &chapters);
    } catch (const BudgetExceeded&) {
    }
}

// The HTML reader's fuzz target: any input is a page, repaired as browsers do; nothing may crash,
// leak or read out of bounds, and the document must survive the MIF writer.
#include "fuzz/fuzz_target.h"
#include "fuzz/source_check.h"
#include "host/formats/markup.h"
#include "host/formats/reader_budgets.h"

LX_FUZZ_TARGET(input) {
    using namespace lxhost;
    Session session;
    std::string error;
    Document& doc = session.NewDocument();
    try {
        if (ReadHtml(input, doc, {}, &error)) {
            CheckSourceDocument(session, doc);
        }
    } catch (const BudgetExceeded&) {
        // a paragraph past the readers' budget: refused, not read
    }
}

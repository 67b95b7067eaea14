// The HTML reader's fuzz target: any input is a page, repaired as browsers do; nothing may crash,
// leak or read out of bounds, and the document must survive the MIF writer.
#include "fuzz/source_check.h"
#include "host/files/markup.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lxhost;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Session session;
    std::string error;
    Document& doc = session.NewDocument();
    if (ReadHtml(input, doc, {}, &error)) {
        CheckSourceDocument(session, doc);
    }
    return 0;
}

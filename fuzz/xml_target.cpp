// The XML reader's fuzz target: any input is a DocBook or DITA topic, a map or a book, or one
// clear error; nothing may crash, leak or read out of bounds. The file is named in a folder that
// does not exist, so that chapters and nested maps it names are never found.
#include "fuzz/fuzz_target.h"
#include "fuzz/source_check.h"
#include "host/files/markup.h"

LX_FUZZ_TARGET(input) {
    using namespace lxhost;
    Session session;
    std::int32_t status = 0;
    std::string error;
    const ObjectId id =
        OpenXml(session, input, "/nonexistent-fuzz-folder/input.xml", false, &status, &error);
    FuzzCheck(id != 0 || (status != 0 && !error.empty()), "a failure that does not say why");
    if (Document* doc = session.FindDocument(id))
        CheckSourceDocument(session, *doc);
}

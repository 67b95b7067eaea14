// The XML reader's fuzz target: any input is a DocBook or DITA topic, a map or a book, or one
// clear error; nothing may crash, leak or read out of bounds. The file is named in a folder that
// does not exist, so that chapters and nested maps it names are never found; the chapters a book
// holds in the input itself are opened as parts of it.
#include "fuzz/fuzz_target.h"
#include "fuzz/source_check.h"
#include "host/formats/markup.h"

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
    const Book* book = session.FindBook(id);
    const std::vector<Component> components = book ? book->components : std::vector<Component>();
    constexpr std::string_view kSelf = "/nonexistent-fuzz-folder/input.xml#";
    for (const Component& c : components) {
        if (!c.path.starts_with(kSelf))
            continue;
        const std::string fragment = c.path.substr(kSelf.size());
        const ObjectId part = OpenXmlPart(session, input, "/nonexistent-fuzz-folder/input.xml",
                                          fragment, c.path, false, &status, &error);
        FuzzCheck(part != 0 || (status != 0 && !error.empty()), "a part that fails without why");
        if (Document* doc = session.FindDocument(part))
            CheckSourceDocument(session, *doc);
    }
}

// The XML reader's fuzz target: any input is a DocBook or DITA topic, a map or a book, or one
// clear error; nothing may crash, leak or read out of bounds. The file is named in a folder that
// does not exist, so that chapters and nested maps it names are never found.
#include "fuzz/source_check.h"
#include "host/files/markup.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lxhost;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Session session;
    std::int32_t status = 0;
    std::string error;
    const ObjectId id =
        OpenXml(session, input, "/nonexistent-fuzz-folder/input.xml", false, &status, &error);
    if (id == 0 && (status == 0 || error.empty())) {
        __builtin_trap(); // a failure must say why
    }
    if (Document* doc = session.FindDocument(id)) {
        CheckSourceDocument(session, *doc);
    }
    return 0;
}

// The MIF reader's fuzz target: any input is read as a document and as a book. A document that
// reads must also write, read back and render; nothing may crash, leak or read out of bounds.
#include "host/files/mif_reader.h"
#include "host/files/mif_writer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lxhost;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    Session session;
    std::string error;
    Document& doc = session.NewDocument();
    if (ReadMifDocument(input, "fuzz.mif", doc, {}, &error)) {
        const std::string written = WriteMif(doc);
        Document& again = session.NewDocument();
        if (!ReadMifDocument(written, "written.mif", again, {}, &error)) {
            __builtin_trap(); // the writer made a file its own reader refuses
        }
        RenderText(doc);
    }
    Book& book = session.NewBook();
    ReadMifBook(input, "fuzz.book", "/books", book, &error);
    ReadPlainText(input, session.NewDocument());
    return 0;
}

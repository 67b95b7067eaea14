// The MIF reader's fuzz target: any input is read as a document and as a book. A document that
// reads must also write, read back and render; nothing may crash, leak or read out of bounds.
#include "fuzz/fuzz_target.h"
#include "host/formats/mif_book_reader.h"
#include "host/formats/mif_reader.h"
#include "host/formats/mif_writer.h"
#include "host/formats/plain_text_reader.h"

#include <string>

LX_FUZZ_TARGET(input) {
    using namespace lxhost;
    Session session;
    std::string error;
    Document& doc = session.NewDocument();
    if (ReadMifDocument(input, "fuzz.mif", doc, {}, &error)) {
        const std::string written = WriteMif(doc);
        Document& again = session.NewDocument();
        FuzzCheck(ReadMifDocument(written, "written.mif", again, {}, &error),
                  "the writer made a file its own reader refuses");
        RenderText(doc);
    }
    Book& book = session.NewBook();
    ReadMifBook(input, "fuzz.book", "/books", book, &error);
    ReadPlainText(input, session.NewDocument());
}

// Writes a generated book into a folder: N MIF chapters (chapter01.mif ...) that share the given
// number of words, and the MIF book file book.mif that lists them in order.
//
//   book_gen DIR [FILES [WORDS [DISTINCT]]]     defaults: 20 files, 1000000 words, 50000 distinct
#include "bench/mif_gen.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

bool WriteFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
    out.close();
    if (!out) {
        std::fprintf(stderr, "book_gen: cannot write '%s'\n", path.c_str());
        return false;
    }
    return true;
}

// A positive number from the command line, or the fallback when the argument is absent.
bool Number(int argc, char** argv, int index, int fallback, int* out) {
    if (index >= argc) {
        *out = fallback;
        return true;
    }
    char* end = nullptr;
    long value = std::strtol(argv[index], &end, 10);
    if (end == argv[index] || *end != '\0' || value < 0 || value > 100000000) {
        std::fprintf(stderr, "book_gen: '%s' is not a count\n", argv[index]);
        return false;
    }
    *out = static_cast<int>(value);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 5) {
        std::fprintf(stderr, "usage: book_gen DIR [FILES [WORDS [DISTINCT]]]\n");
        return 1;
    }
    const std::string dir = argv[1];
    int files = 0, words = 0, distinct = 0;
    if (!Number(argc, argv, 2, 20, &files) || !Number(argc, argv, 3, 1000000, &words) ||
        !Number(argc, argv, 4, 50000, &distinct) || files < 1 || files > 99)
        return 1;

    std::string book = "<Book 7.00> # generated\n";
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "chapter%02d.mif", i + 1);
        // The words are shared out evenly; the first chapters take what does not divide.
        const int share = words / files + (i < words % files ? 1 : 0);
        lxbench::MifGenOptions options;
        options.words = share;
        options.distinct = distinct;
        options.seed = 12345u + static_cast<unsigned>(i) * 7919u;
        if (!WriteFile(dir + "/" + name, lxbench::GenerateMif(options)))
            return 1;
        book += "<BookComponent\n <FileName `<c\\>" + std::string(name) + "'>\n>\n";
    }
    book += "# end of Book\n";
    return WriteFile(dir + "/book.mif", book) ? 0 : 1;
}

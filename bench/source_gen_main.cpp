// Writes a folder of generated Markdown files for md_folder_bench.sh:
//   source_gen DIR [FILES [WORDS_PER_FILE]]     defaults: 1000 files of 1000 words
#include "bench/source_gen.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: source_gen DIR [FILES [WORDS_PER_FILE]]\n");
        return 1;
    }
    const std::filesystem::path dir = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int words = argc > 3 ? std::atoi(argv[3]) : 1000;
    std::filesystem::create_directories(dir);
    for (int i = 0; i < files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "part%02d/topic%04d.md", i / 100, i);
        const std::filesystem::path path = dir / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << lxbench::GenerateSource(
            lxbench::SourceFormat::Markdown, words, static_cast<unsigned>(i + 1));
    }
    return 0;
}

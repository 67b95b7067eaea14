// Names served to the client in FrameRoman and handed back by it.
#include "host/api/served_names.h"
#include "host/formats/frameroman.h"

#include <gtest/gtest.h>

#include <string>

namespace lxhost {
namespace {

TEST(ServedNames, ServedInFrameRoman) {
    ServedNames names;
    EXPECT_EQ(names.Serve("/d/caf\xC3\xA9.txt"), "/d/caf\x8E.txt");
    EXPECT_EQ(names.Serve("/d/\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0 \xE2\x86\x92.txt"),
              HasTransliteration() ? "/d/Moskva  .txt" : "/d/xxxxxx  .txt");
}

TEST(ServedNames, TakenBackAsTheFileTheyName) {
    const std::string moskva = HasTransliteration() ? "Moskva" : "xxxxxx";
    const struct {
        const char* name;
        std::vector<std::string> served; // UTF-8 names served, in order
        std::string handed;              // what the client hands back (FrameRoman)
        std::string opened;              // the UTF-8 path the host opens
    } cases[] = {
        {"FrameRoman holds the name",
         {"/d/caf\xC3\xA9.txt"},
         "/d/caf\x8E.txt",
         "/d/caf\xC3\xA9.txt"},
        {"a name FrameRoman cannot hold",
         {"/d/\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0.txt"},
         "/d/" + moskva + ".txt",
         "/d/\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0.txt"},
        {"a file in a served folder",
         {"/d/\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"},
         "/d/" + moskva + "/ch1.mif",
         "/d/\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0/ch1.mif"},
        {"a longer name is another file",
         {"/d/\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0"},
         "/d/" + moskva + ".bak",
         "/d/" + moskva + ".bak"},
        {"a name never served", {}, "/d/caf\x8E.txt", "/d/caf\xC3\xA9.txt"},
        {"the name served last is meant",
         {"/d/\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0.txt", "/d/" + moskva + ".txt"},
         "/d/" + moskva + ".txt",
         "/d/" + moskva + ".txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServedNames names;
        for (const std::string& name : c.served)
            names.Serve(name);
        EXPECT_EQ(names.Receive(c.handed), c.opened);
    }
}

} // namespace
} // namespace lxhost

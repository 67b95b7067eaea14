// Names and paths as the host serves them to the client: in FrameRoman, the encoding in force,
// while the host itself names files in UTF-8.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace lxhost {

class ServedNames {
  public:
    // The FrameRoman form of a UTF-8 name or path. A name that FrameRoman cannot hold whole (a
    // letter of another script comes out in Latin letters) is remembered, so that the client can
    // hand it back.
    std::string Serve(std::string_view utf8);

    // The UTF-8 path of a name the client hands the host: the name as served, or a path that
    // begins with it (a file in a folder that was served), gives back the name it was served for;
    // any other name is converted from FrameRoman. Names that differ only in what FrameRoman
    // cannot hold are served alike: the one served last is given back.
    std::string Receive(std::string_view frameRoman) const;

  private:
    std::map<std::string, std::string, std::less<>> altered_; // as served -> the UTF-8 name
};

} // namespace lxhost

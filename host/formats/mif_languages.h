// The languages of MIF paragraph formats (PgfLanguage) as language codes.
#pragma once

#include <string>
#include <string_view>

namespace lxhost {

// The code of a MIF language name: "German" -> "de", "USEnglish" -> "en-US"; "" for
// NoLanguage and for an empty name. A name that is not in the list is kept as it is, so that
// whoever counts the text can say which language it does not know.
std::string LanguageCodeOfMif(std::string_view name);

// The MIF name of a code, for writing a format back: "de" -> "German"; a code that no name has
// (a name the reader kept as it was) is written as it is.
std::string MifLanguageOfCode(std::string_view code);

} // namespace lxhost

// The languages of MIF paragraph formats (PgfLanguage) as language codes.
#pragma once

#include <string>
#include <string_view>

namespace lxhost {

// The code of a MIF language name: "German" -> "de", "USEnglish" -> "en-US"; "" for
// NoLanguage and for an empty name. A name that is not in the list is kept as it is, so that
// whoever counts the text can say which language it does not know.
std::string LanguageCodeOfMif(std::string_view name);

} // namespace lxhost

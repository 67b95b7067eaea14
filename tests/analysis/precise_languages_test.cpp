// The precise profile in other languages than English: syllables from each language's voice
// against a reader's counts, and sentences cut with each language's abbreviations.
#include "analysis/precise/languages.h"
#include "analysis/precise/precise.h"

#include <gtest/gtest.h>

#include <iostream>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Counted {
    const char* word;
    int syllables; // as a reader of the language counts them, aloud
};

struct WordList {
    const char* language;
    std::vector<Counted> words;
};

// Thirty common words of each language, with compounds, diphthongs and hiatus among them.
// clang-format off
const WordList kWordLists[] = {
    {"de",
     {{"Haus", 1},
      {"Straße", 2},
      {"Kinder", 2},
      {"Geschwindigkeitsbegrenzung", 7},
      {"Arbeit", 2},
      {"Wasser", 2},
      {"Zeitung", 2},
      {"Fenster", 2},
      {"Bedienungsanleitung", 6},
      {"Computer", 3},
      {"Einstellung", 3},
      {"Datei", 2},
      {"Drucker", 2},
      {"Sicherheit", 3},
      {"Verbindung", 3},
      {"Tastatur", 3},
      {"Bildschirm", 2},
      {"Anwendung", 3},
      {"Uhr", 1},
      {"Vater", 2},
      {"Frau", 1},
      {"Freund", 1},
      {"Bäume", 2},
      {"Schlüssel", 2},
      {"Mädchen", 2},
      {"heute", 2},
      {"Eigenschaften", 4},
      {"Benutzeroberfläche", 7},
      {"Handbuch", 2},
      {"Speicher", 2}}},
    {"fr",
     {{"maison", 2},
      {"oiseau", 2},
      {"ordinateur", 4},
      {"fichier", 2},
      {"sécurité", 4},
      {"aujourd'hui", 3},
      {"eau", 1},
      {"beaucoup", 2},
      {"travail", 2},
      {"enfant", 2},
      {"information", 4},
      {"utilisateur", 5},
      {"écran", 2},
      {"clavier", 2},
      {"réseau", 2},
      {"chaleur", 2},
      {"bonjour", 2},
      {"toujours", 2},
      {"pourquoi", 2},
      {"demain", 2},
      {"matin", 2},
      {"soleil", 2},
      {"garçon", 2},
      {"chocolat", 3},
      {"jour", 1},
      {"main", 1},
      {"pain", 1},
      {"important", 3},
      {"université", 5},
      {"numéro", 3}}},
    {"es",
     {{"aeropuerto", 5},
      {"casa", 2},
      {"ciudad", 2},
      {"agua", 2},
      {"computadora", 5},
      {"archivo", 3},
      {"impresora", 4},
      {"seguridad", 4},
      {"ventana", 3},
      {"teclado", 3},
      {"pantalla", 3},
      {"información", 4},
      {"usuario", 3},
      {"día", 2},
      {"tiempo", 2},
      {"bueno", 2},
      {"mañana", 3},
      {"trabajo", 3},
      {"niño", 2},
      {"libro", 2},
      {"escuela", 3},
      {"problema", 3},
      {"teléfono", 4},
      {"puerta", 2},
      {"hoy", 1},
      {"sol", 1},
      {"pequeño", 3},
      {"familia", 3},
      {"historia", 3},
      {"ejemplo", 3}}},
    {"it",
     {{"casa", 2},
      {"acqua", 2},
      {"città", 2},
      {"paese", 3},
      {"computer", 3},
      {"stampante", 3},
      {"sicurezza", 4},
      {"finestra", 3},
      {"tastiera", 3},
      {"schermo", 2},
      {"informazione", 5},
      {"utente", 3},
      {"giorno", 2},
      {"ragazzo", 3},
      {"libro", 2},
      {"scuola", 2},
      {"problema", 3},
      {"telefono", 4},
      {"porta", 2},
      {"sole", 2},
      {"mare", 2},
      {"piccolo", 3},
      {"grande", 2},
      {"famiglia", 3},
      {"storia", 2},
      {"esempio", 3},
      {"lavoro", 3},
      {"bambino", 3},
      {"oggi", 2},
      {"perché", 2}}},
    {"nl",
     {{"ziekenhuis", 3},
      {"huis", 1},
      {"water", 2},
      {"straat", 1},
      {"kinderen", 3},
      {"computer", 3},
      {"bestand", 2},
      {"printer", 2},
      {"beveiliging", 4},
      {"venster", 2},
      {"toetsenbord", 3},
      {"scherm", 1},
      {"informatie", 4},
      {"gebruiker", 3},
      {"dag", 1},
      {"jongen", 2},
      {"boek", 1},
      {"school", 1},
      {"probleem", 2},
      {"telefoon", 3},
      {"deur", 1},
      {"zon", 1},
      {"zee", 1},
      {"klein", 1},
      {"groot", 1},
      {"familie", 3},
      {"geschiedenis", 4},
      {"voorbeeld", 2},
      {"werk", 1},
      {"vandaag", 2}}},
};
// clang-format on

// At least this many of each list's thirty words are counted as a reader counts them.
constexpr int kAtLeastRight = 27;

class PreciseLanguages : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!lxprecise::Available(&why))
            GTEST_SKIP() << why;
    }
};

const lxprecise::Language& LanguageOf(const char* code) {
    const lxprecise::Language* language = lxprecise::FindLanguage(code);
    EXPECT_NE(language, nullptr) << code;
    return language ? *language : lxprecise::English();
}

TEST_F(PreciseLanguages, SyllablesAgreeWithAReaderOnAtLeast27Of30WordsOfEachLanguage) {
    for (const WordList& list : kWordLists) {
        SCOPED_TRACE(list.language);
        const lxprecise::Language& language = LanguageOf(list.language);
        std::string why;
        ASSERT_TRUE(lxprecise::LanguageAvailable(language, &why)) << why;
        ASSERT_EQ(list.words.size(), 30u);
        int right = 0;
        std::string wrong;
        for (const Counted& c : list.words) {
            const int counted = lxprecise::Syllables(c.word, language);
            if (counted == c.syllables)
                ++right;
            else
                wrong += std::string(" ") + c.word + "=" + std::to_string(counted);
        }
        EXPECT_GE(right, kAtLeastRight) << "counted differently:" << wrong;
        if (!wrong.empty())
            std::cout << "[ info ] " << list.language << " " << right << "/30, differs:" << wrong
                      << "\n";
    }
}

TEST_F(PreciseLanguages, EachWordIsPronouncedInItsOwnLanguage) {
    // The same letters, another voice: English reads "die" as one syllable, German too, but
    // Italian "paese" and English "paese" differ; the cache keeps each language's own count.
    const lxprecise::Language& italian = LanguageOf("it");
    const lxprecise::Language& spanish = LanguageOf("es");
    EXPECT_EQ(lxprecise::Syllables("aeropuerto", spanish), 5);
    EXPECT_EQ(lxprecise::Syllables("paese", italian), 3);
    EXPECT_EQ(lxprecise::Syllables("aeropuerto", spanish), 5);
}

TEST_F(PreciseLanguages, SyllablesFromManyThreadsInSeveralLanguagesAgree) {
    const lxprecise::Language* languages[] = {&LanguageOf("de"), &LanguageOf("fr"),
                                              &LanguageOf("es")};
    std::vector<std::thread> threads;
    std::vector<int> totals(6, 0);
    for (std::size_t t = 0; t < totals.size(); ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (const WordList& list : kWordLists)
                    for (const Counted& c : list.words)
                        totals[t] += lxprecise::Syllables(c.word, *languages[(t + round) % 3]);
        });
    for (std::thread& t : threads)
        t.join();
    // Threads t and t + 3 walk the languages in the same order.
    for (std::size_t t = 0; t < 3; ++t)
        EXPECT_EQ(totals[t], totals[t + 3]);
}

struct Probe {
    const char* language;
    const char* text;
    int sentences;
};

// Each language's abbreviations: a sentence goes on after them, and still ends where it ends.
const Probe kProbes[] = {
    {"de", "Das gilt z. B. für Dateien. Danach folgt mehr.", 2},
    {"de", "Siehe Nr. 5 im Anhang.", 1},
    {"de", "Äpfel, Birnen usw. sind Obst.", 1},
    {"de", "Er kaufte Äpfel, Birnen usw. Dann ging er.", 2},
    {"de", "Vgl. Abb. 3 auf S. 12 im Handbuch.", 1},
    {"de", "Das ist d. h. ein Test. Er läuft.", 2},
    {"de", "Wir sind fertig. Morgen geht es weiter.", 2},
    {"fr", "Prenez p. ex. un fichier. Ensuite ouvrez-le.", 2},
    {"fr", "M. Dupont est arrivé.", 1},
    {"fr", "Des pommes, des poires, etc. sont des fruits.", 1},
    {"fr", "Voir fig. 2 et chap. 3 du manuel.", 1},
    {"fr", "Il est parti. Elle est restée.", 2},
    {"es", "El Sr. García llegó tarde.", 1},
    {"es", "Use p. ej. un archivo. Luego ábralo.", 2},
    {"es", "Vea la pág. 4 y la fig. 2 del manual.", 1},
    {"es", "Manzanas, peras, etc. son frutas.", 1},
    {"es", "Llegó. Se fue.", 2},
    {"it", "Il sig. Rossi è arrivato.", 1},
    {"it", "Usate ad es. un file. Poi apritelo.", 2},
    {"it", "Vedi fig. 2 a pag. 10 del manuale.", 1},
    {"it", "Mele, pere ecc. sono frutti.", 1},
    {"it", "È arrivato. È partito.", 2},
    {"nl", "Gebruik bijv. een bestand. Open het daarna.", 2},
    {"nl", "Dhr. Jansen is er.", 1},
    {"nl", "Zie fig. 2 op blz. 10 van de handleiding.", 1},
    {"nl", "Appels, peren enz. zijn fruit.", 1},
    {"nl", "Hij kwam. Hij ging.", 2},
    // English keeps its own lists: German ones do not join its sentences.
    {"en", "Look at fig. 2 now. Then stop.", 2},
    {"en", "It is in the box z. B. Then stop.", 2},
};

TEST_F(PreciseLanguages, SentencesGoOnAfterEachLanguagesAbbreviations) {
    for (const Probe& p : kProbes) {
        SCOPED_TRACE(std::string(p.language) + ": " + p.text);
        EXPECT_EQ(lxprecise::Sentences(p.text, LanguageOf(p.language)).size(),
                  static_cast<std::size_t>(p.sentences));
    }
}

TEST(Languages, CodesAreFoundByTheirFirstSubtagAndUnknownOnesAreNot) {
    const struct {
        const char* code;
        const char* found; // null: unknown
    } kCodes[] = {{"de", "de"},    {"DE", "de"},       {"de-CH", "de"}, {"de_AT", "de"},
                  {"en-US", "en"}, {"no", "nb"},       {"nl-BE", "nl"}, {"xx", nullptr},
                  {"", nullptr},   {"german", nullptr}};
    for (const auto& c : kCodes) {
        const lxprecise::Language* language = lxprecise::FindLanguage(c.code);
        if (!c.found)
            EXPECT_EQ(language, nullptr) << c.code;
        else
            EXPECT_STREQ(language ? language->code : "", c.found) << c.code;
    }
    EXPECT_NE(lxprecise::LanguageCodes().find("de, en, es, fr, it"), std::string::npos)
        << lxprecise::LanguageCodes();
}

} // namespace

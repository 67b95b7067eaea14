// The README's table of counting rules: every example counts what the table says.
#include "analysis/tokenizer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Row {
    std::string rule, example;
    std::vector<int> figures; // sentences, words, syllables, characters, complex words
};

std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '|') {
            const std::size_t b = cell.find_first_not_of(' ');
            const std::size_t e = cell.find_last_not_of(' ');
            cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
            cell.clear();
        } else {
            cell += line[i];
        }
    }
    return cells;
}

// The rows of the table that follows the heading "## How Lexameter counts".
std::vector<Row> RulesTable() {
    std::ifstream in(LX_README_PATH);
    std::string line;
    while (std::getline(in, line) && line != "## How Lexameter counts") {
    }
    std::vector<Row> rows;
    bool inTable = false;
    while (std::getline(in, line)) {
        if (line.rfind("|", 0) != 0) {
            if (inTable)
                break;
            continue;
        }
        inTable = true;
        const std::vector<std::string> cells = Cells(line);
        if (cells.size() != 7 || cells[1].size() < 2 || cells[1].front() != '`')
            continue; // the heading and the rule under it
        Row row{cells[0], cells[1].substr(1, cells[1].size() - 2), {}};
        for (std::size_t i = 2; i < 7; ++i)
            row.figures.push_back(std::stoi(cells[i]));
        rows.push_back(row);
    }
    return rows;
}

TEST(ReadmeRules, EveryExampleCountsWhatTheTableSays) {
    const std::vector<Row> rows = RulesTable();
    ASSERT_GE(rows.size(), 12u) << "the table of README.md was not found";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        ReadabilityCounts counts{};
        CountText(row.example, &counts);
        EXPECT_EQ(std::vector<int>({counts.sentences, counts.words, counts.syllables,
                                    counts.characters, counts.complexWords}),
                  row.figures)
            << row.example;
    }
}

} // namespace

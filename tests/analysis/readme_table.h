// The README's tables of counting examples, read by the tests that check every example counts
// what its row says: a rule, the example in backquotes, then the figures.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>
#include <vector>

struct ReadmeExample {
    std::string rule, example;
    std::vector<int> figures;
};

// The cells of a table row, trimmed; "\|" inside a cell is a '|' of the cell's text.
inline std::vector<std::string> ReadmeCells(const std::string& line) {
    std::vector<std::string> cells;
    std::string cell;
    for (std::size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '|' && line[i - 1] != '\\') {
            const std::size_t b = cell.find_first_not_of(' ');
            const std::size_t e = cell.find_last_not_of(' ');
            cells.push_back(b == std::string::npos ? "" : cell.substr(b, e - b + 1));
            cell.clear();
        } else if (line[i] != '\\' || i + 1 >= line.size() || line[i + 1] != '|') {
            cell += line[i];
        }
    }
    return cells;
}

// The example rows of the first table after the line heading, each with figures numbers after
// its example; the heading row and the rule under it are left out.
inline std::vector<ReadmeExample> ReadmeExamples(const std::string& heading, std::size_t figures) {
    std::ifstream in(LX_README_PATH);
    std::string line;
    while (std::getline(in, line) && line != heading) {
    }
    std::vector<ReadmeExample> rows;
    bool inTable = false;
    while (std::getline(in, line)) {
        if (line.rfind("|", 0) != 0) {
            if (inTable)
                break;
            continue;
        }
        inTable = true;
        const std::vector<std::string> cells = ReadmeCells(line);
        if (cells.size() != figures + 2 || cells[1].size() < 2 || cells[1].front() != '`')
            continue;
        ReadmeExample row{cells[0], cells[1].substr(1, cells[1].size() - 2), {}};
        for (std::size_t i = 2; i < cells.size(); ++i)
            row.figures.push_back(std::stoi(cells[i]));
        rows.push_back(row);
    }
    return rows;
}

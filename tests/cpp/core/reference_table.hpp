#pragma once
// Reads the CSV tables that tests/reference/make_*.py write into
// ORVANE_REFERENCE_DIR: one header line of column names, then one row per line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orvane::testing {

class ReferenceTable {
public:
    explicit ReferenceTable(const std::string& file_name) {
        const std::string path = std::string(ORVANE_REFERENCE_DIR) + "/" + file_name;
        std::ifstream in(path);
        if (!in) {
            ADD_FAILURE() << "missing reference table " << path;
            return;
        }
        std::string line;
        std::getline(in, line);
        columns_ = split(line);
        while (std::getline(in, line)) {
            if (!line.empty()) rows_.push_back(split(line));
        }
    }

    std::size_t size() const { return rows_.size(); }

    const std::string& text(std::size_t row, const std::string& column) const { return rows_.at(row).at(index(column)); }

    double number(std::size_t row, const std::string& column) const {
        return std::strtod(text(row, column).c_str(), nullptr);
    }

private:
    static std::vector<std::string> split(const std::string& line) {
        std::vector<std::string> cells;
        std::stringstream stream(line);
        std::string cell;
        while (std::getline(stream, cell, ',')) cells.push_back(cell);
        return cells;
    }

    std::size_t index(const std::string& column) const {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (columns_[i] == column) return i;
        }
        ADD_FAILURE() << "no column " << column;
        return 0;
    }

    std::vector<std::string> columns_;
    std::vector<std::vector<std::string>> rows_;
};

// Difference a − b of two angles, wrapped into (−turn/2, turn/2].
inline double angle_difference(double a, double b, double turn) {
    double d = std::fmod(a - b, turn);
    if (d > turn / 2.0) d -= turn;
    if (d <= -turn / 2.0) d += turn;
    return d;
}

}  // namespace orvane::testing

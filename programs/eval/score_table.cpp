#include "programs/eval/score_table.h"

#include <algorithm>
#include <iomanip>

namespace tavo_eval_cli {

namespace {

constexpr int kColumnGap = 2;

std::vector<std::string> fieldsOf(const ScoreRow& row)
{
    std::vector<std::string> fields = {row.tracker, row.sequence};
    const auto values = tavo_eval::summaryFields(tavo_eval::summarise(row.evaluation));
    fields.insert(fields.end(), values.begin(), values.end());
    return fields;
}

std::vector<std::string> header(const std::string& first, const std::string& second)
{
    std::vector<std::string> names = {first};
    if (!second.empty())
        names.push_back(second);
    const auto& columns = tavo_eval::summaryColumns();
    names.insert(names.end(), columns.begin(), columns.end());
    return names;
}

void writeLine(std::ostream& out, const std::vector<std::string>& fields, char separator)
{
    for (size_t i = 0; i < fields.size(); ++i)
        out << (i ? std::string(1, separator) : std::string()) << fields[i];
    out << '\n';
}

}  // namespace

void printTable(std::ostream& out, const std::vector<ScoreRow>& rows)
{
    std::vector<std::vector<std::string>> lines = {header("tracker", "sequence")};
    for (const ScoreRow& row : rows)
        lines.push_back(fieldsOf(row));
    std::vector<size_t> width(lines[0].size(), 0);
    for (const auto& line : lines)
        for (size_t i = 0; i < line.size(); ++i)
            width[i] = std::max(width[i], line[i].size());
    for (const auto& line : lines) {
        for (size_t i = 0; i < line.size(); ++i) {
            // Names to the left, numbers to the right.
            const auto w = static_cast<int>(width[i]);
            if (i < 2)
                out << std::left << std::setw(w) << line[i];
            else
                out << std::right << std::setw(w) << line[i];
            out << (i + 1 < line.size() ? std::string(kColumnGap, ' ') : std::string("\n"));
        }
    }
    out << std::left;
}

void writeCsv(std::ostream& out, const std::vector<ScoreRow>& rows)
{
    writeLine(out, header("tracker", "sequence"), ',');
    for (const ScoreRow& row : rows)
        writeLine(out, fieldsOf(row), ',');
}

void writeSummary(std::ostream& out, const ScoreRow& combined)
{
    writeLine(out, tavo_eval::summaryColumns(), ' ');
    writeLine(out, tavo_eval::summaryFields(tavo_eval::summarise(combined.evaluation)), ' ');
}

void writeDetailed(std::ostream& out, const std::vector<ScoreRow>& sequences, const ScoreRow& combined)
{
    writeLine(out, header("seq", ""), ',');
    for (size_t i = 0; i <= sequences.size(); ++i) {
        const ScoreRow& row = i < sequences.size() ? sequences[i] : combined;
        std::vector<std::string> fields = fieldsOf(row);
        fields.erase(fields.begin());  // the tracker: the folder's own
        writeLine(out, fields, ',');
    }
}

}  // namespace tavo_eval_cli

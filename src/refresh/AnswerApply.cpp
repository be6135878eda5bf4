#include "AnswerApply.h"

#include <string>

void TakeAnswer(ServerStructure& row, const ServerStructure& answer, uint32_t now) {
    row.IP = answer.IP;
    row.Port = answer.Port;
    MergeAnswer(row, answer);
    row.Response = std::to_string(static_cast<uint32_t>(now - row.SentAt));
    row.Alive = true;
    row.Answered = true;
}

namespace {

// A binary answer to rows that took their answer already completes them.
void Complement(ServerRows& rows, const ServerStructure& answer) {
    if (answer.Dialect != QueryDialect::Binary)
        return;
    for (const size_t position : rows.Find(answer.IP, answer.Port)) {
        ServerStructure row = rows[position];
        if (row.Alive && ComplementAnswer(row, answer))
            rows.Update(position, [&](ServerStructure& r) { ComplementAnswer(r, answer); });
    }
}

} // namespace

void ApplyAnswerToSearchResults(ServerRows& rows, const ServerStructure& answer, uint32_t now) {
    bool taken = false;
    for (const size_t position : rows.Find(answer.IP, answer.Port))
        if (!rows[position].Answered) {
            rows.Update(position, [&](ServerStructure& row) { TakeAnswer(row, answer, now); });
            taken = true;
        }
    if (!taken)
        Complement(rows, answer);
}

void ApplyAnswerToFavorites(ServerRows& rows, const ServerStructure& answer, uint32_t now) {
    for (const size_t position : rows.Find(answer.IP, answer.Port)) {
        if (rows[position].Answered)
            continue;
        rows.Update(position, [&](ServerStructure& row) { TakeAnswer(row, answer, now); });
        return;
    }
    Complement(rows, answer);
}

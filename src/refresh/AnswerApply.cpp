#include "AnswerApply.h"

#include <string>

void TakeAnswer(ServerStructure& row, const ServerStructure& answer, uint32_t now) {
    row.IP = answer.IP;
    row.Port = answer.Port;
    row.Name = answer.Name;
    row.Map = answer.Map;
    row.Players = answer.Players;
    row.MaxPlayers = answer.MaxPlayers;
    row.Protocol = answer.Protocol;
    row.Response = std::to_string(static_cast<uint32_t>(now - row.SentAt));
    row.Password = answer.Password;
    row.Alive = true;
    row.Answered = true;
}

void ApplyAnswerToSearchResults(ServerRows& rows, const ServerStructure& answer, uint32_t now) {
    for (const size_t position : rows.Find(answer.IP, answer.Port))
        if (!rows[position].Answered)
            rows.Update(position, [&](ServerStructure& row) { TakeAnswer(row, answer, now); });
}

void ApplyAnswerToFavorites(ServerRows& rows, const ServerStructure& answer, uint32_t now) {
    for (const size_t position : rows.Find(answer.IP, answer.Port)) {
        if (rows[position].Answered)
            continue;
        rows.Update(position, [&](ServerStructure& row) { TakeAnswer(row, answer, now); });
        return;
    }
}

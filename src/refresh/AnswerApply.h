#pragma once

#include "AnswerRecord.h"
#include "ServerRows.h"

#include <cstdint>

// How the refresh and the details query put a server's info answer into the lists: only
// a row still waiting for its own query's answer takes one, with that query's round trip
// (now - SentAt) as its response time.

// The row takes the answer: texts, version, password flag, response, dialect and what
// the answer tells beyond the columns; up and answered.
void TakeAnswer(ServerStructure& row, const ServerStructure& answer, uint32_t now);
// Every waiting row of the answer's server in the search results takes it.
void ApplyAnswerToSearchResults(ServerRows& rows, const ServerStructure& answer, uint32_t now);
// The first waiting row of the server in the favorites takes it: one answer, one row.
void ApplyAnswerToFavorites(ServerRows& rows, const ServerStructure& answer, uint32_t now);

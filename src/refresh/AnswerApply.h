#pragma once

#include "ServerRows.h"

#include <cstdint>

// How the refresh and the details query put a server's info answer into the lists: only
// a row still waiting for its own query's answer takes one, with that query's round trip
// (now - SentAt) as its response time.

// The row takes the answer: texts, version, password flag, response, dialect and what
// the answer tells beyond the columns; up and answered.
void TakeAnswer(ServerStructure& row, const ServerStructure& answer, uint32_t now);
// A binary answer to a row its query has already filled (a server sending 'm' and 'I',
// or one of unknown dialect answering both requests) adds what the row lacks: the binary
// dialect and the extras. The columns and the response stay the first answer's, so each
// query fills a row once. False when nothing changes.
bool ComplementAnswer(ServerStructure& row, const ServerStructure& answer);
// Every waiting row of the answer's server in the search results takes it.
void ApplyAnswerToSearchResults(ServerRows& rows, const ServerStructure& answer, uint32_t now);
// The first waiting row of the server in the favorites takes it: one answer, one row.
void ApplyAnswerToFavorites(ServerRows& rows, const ServerStructure& answer, uint32_t now);

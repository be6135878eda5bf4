#pragma once

#include "A2sProtocol.h"

#include <optional>

// The binary dialect's three queries.
enum class A2sQuery { Info, Players, Rules };

// The challenge round trips of one server's binary queries, for any query path (scan,
// refresh, details, auto-join): which request to send first, and what to send again when
// the server answers with a challenge. A query asks for a challenge at most
// MaxChallengeRounds times, since servers exist that answer with a challenge for ever; a
// challenge once given serves the players and rules queries that follow.
class A2sChallengeState {
public:
    static constexpr int MaxChallengeRounds = 3;

    // Starts a query and gives its first request: info as the bare 25 bytes (a padded
    // request is refused by some servers), players and rules with the challenge kept
    // from before, or FF FF FF FF to ask for one.
    Bytes Begin(A2sQuery query);
    // A challenge reply for the running query: the same request again with it, or nothing
    // when no query runs or this query has used its rounds (the query then ends).
    std::optional<Bytes> OnChallenge(const A2sChallenge& challenge);
    // The running query got its answer; the kept challenge stays for the next ones.
    void Answered();
    // Forgets the kept challenge (a server answering with a new one replaces it anyway).
    void Forget() { Kept.reset(); }

    std::optional<A2sQuery> Running() const { return Current; }
    const std::optional<A2sChallenge>& Challenge() const { return Kept; }
    // Challenge replies taken by the running (or last) query.
    int Rounds() const { return RoundsTaken; }

private:
    Bytes Request(A2sQuery query, const std::optional<A2sChallenge>& challenge) const;

    std::optional<A2sQuery> Current;
    std::optional<A2sChallenge> Kept;
    int RoundsTaken = 0;
};

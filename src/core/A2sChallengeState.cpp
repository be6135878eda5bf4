#include "A2sChallengeState.h"

Bytes A2sChallengeState::Request(A2sQuery query,
                                 const std::optional<A2sChallenge>& challenge) const {
    switch (query) {
    case A2sQuery::Info:
        return challenge ? A2sInfoRequest(*challenge) : A2sInfoRequest();
    case A2sQuery::Players:
        return A2sPlayersRequest(challenge.value_or(AskForChallenge));
    case A2sQuery::Rules:
        break;
    }
    return A2sRulesRequest(challenge.value_or(AskForChallenge));
}

Bytes A2sChallengeState::Begin(A2sQuery query) {
    Current = query;
    RoundsTaken = 0;
    return Request(query, query == A2sQuery::Info ? std::nullopt : Kept);
}

std::optional<Bytes> A2sChallengeState::OnChallenge(const A2sChallenge& challenge) {
    if (!Current)
        return std::nullopt;
    Kept = challenge;
    if (RoundsTaken >= MaxChallengeRounds) {
        Current.reset();
        return std::nullopt;
    }
    ++RoundsTaken;
    return Request(*Current, challenge);
}

void A2sChallengeState::Answered() {
    Current.reset();
}

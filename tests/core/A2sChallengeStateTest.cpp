#include "A2sChallengeState.h"

#include <gtest/gtest.h>

namespace {

const A2sChallenge First{1, 2, 3, 4};
const A2sChallenge Second{5, 6, 7, 8};

TEST(A2sChallengeState, InfoStartsBareAndIsSentAgainWithTheChallenge) {
    A2sChallengeState state;
    EXPECT_EQ(state.Begin(A2sQuery::Info), A2sInfoRequest());
    const auto again = state.OnChallenge(First);
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, A2sInfoRequest(First));
    state.Answered();
    EXPECT_FALSE(state.Running());
    // A later info query starts bare again: a padded request is refused by some servers.
    EXPECT_EQ(state.Begin(A2sQuery::Info), A2sInfoRequest());
}

TEST(A2sChallengeState, OneChallengeServesThePlayersAndRulesThatFollow) {
    A2sChallengeState state;
    EXPECT_EQ(state.Begin(A2sQuery::Players), A2sPlayersRequest(AskForChallenge));
    EXPECT_EQ(state.OnChallenge(First), A2sPlayersRequest(First));
    state.Answered();
    EXPECT_EQ(state.Begin(A2sQuery::Rules), A2sRulesRequest(First));
    // The server renewed its challenge: the new one is used and kept.
    EXPECT_EQ(state.OnChallenge(Second), A2sRulesRequest(Second));
    state.Answered();
    EXPECT_EQ(state.Begin(A2sQuery::Players), A2sPlayersRequest(Second));
    state.Forget();
    EXPECT_EQ(state.Begin(A2sQuery::Rules), A2sRulesRequest(AskForChallenge));
}

TEST(A2sChallengeState, GivesUpAfterThreeChallengesForAServerThatAsksForEver) {
    for (A2sQuery query : {A2sQuery::Info, A2sQuery::Players, A2sQuery::Rules}) {
        A2sChallengeState state;
        state.Begin(query);
        int sent = 0;
        while (state.OnChallenge(First))
            ++sent;
        EXPECT_EQ(sent, A2sChallengeState::MaxChallengeRounds);
        EXPECT_FALSE(state.Running());
        EXPECT_FALSE(state.OnChallenge(First)); // nothing runs: nothing more is sent
        // The next query has its own three rounds.
        state.Begin(query);
        EXPECT_TRUE(state.OnChallenge(First));
        EXPECT_EQ(state.Rounds(), 1);
    }
}

TEST(A2sChallengeState, AChallengeWithoutAQuerySendsNothing) {
    A2sChallengeState state;
    EXPECT_FALSE(state.OnChallenge(First));
}

} // namespace

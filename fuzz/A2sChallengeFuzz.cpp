// The challenge reply and the round trips it drives: ParseA2sChallenge takes exactly the
// 41 replies of at least 9 bytes and gives their bytes 5 to 8; a challenge state driven by
// any sequence of query starts, challenges and answers never sends more than three
// challenged requests per query, and every request it gives is one of the exact forms.
#include "A2sChallengeState.h"
#include "FuzzCheck.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
    std::copy(data, data + size, exact.get());
    const std::span<const uint8_t> datagram(exact.get(), size);

    const auto challenge = ParseA2sChallenge(datagram);
    const bool isChallenge = size >= 9 && data[0] == 0xFF && data[1] == 0xFF && data[2] == 0xFF &&
                             data[3] == 0xFF && data[4] == 0x41;
    FUZZ_CHECK(challenge.has_value() == isChallenge);
    if (challenge) {
        FUZZ_CHECK(std::equal(challenge->begin(), challenge->end(), data + 5));
        FUZZ_CHECK(LooksLikeA2sInfoAnswer(datagram));
        const Bytes again = A2sInfoRequest(*challenge);
        FUZZ_CHECK(again.size() == 29 &&
                   std::equal(A2sInfoRequest().begin(), A2sInfoRequest().end(), again.begin()) &&
                   std::equal(challenge->begin(), challenge->end(), again.begin() + 25));
    }

    // The same bytes as a script: two bits choose the event, the rest the challenge.
    A2sChallengeState state;
    int resentThisQuery = 0;
    std::optional<A2sQuery> running;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        switch (b & 3) {
        case 0: {
            const auto query = static_cast<A2sQuery>((b >> 2) % 3);
            const Bytes first = state.Begin(query);
            running = query;
            resentThisQuery = 0;
            if (query == A2sQuery::Info)
                FUZZ_CHECK(first == A2sInfoRequest());
            else
                FUZZ_CHECK(first.size() == 9 &&
                           first[4] == (query == A2sQuery::Players ? 0x55 : 0x56));
            break;
        }
        case 1:
        case 2: {
            const A2sChallenge c{b, static_cast<uint8_t>(i), 0, 1};
            const auto kept = state.Challenge();
            const bool wasRunning = running.has_value();
            const auto resend = state.OnChallenge(c);
            if (resend) {
                FUZZ_CHECK(running.has_value());
                ++resentThisQuery;
                FUZZ_CHECK(resentThisQuery <= A2sChallengeState::MaxChallengeRounds);
                FUZZ_CHECK(std::equal(c.begin(), c.end(), resend->end() - 4));
                FUZZ_CHECK(resend->size() == (*running == A2sQuery::Info ? 29u : 9u));
            } else {
                running.reset();
            }
            // A challenge nobody asked for is not kept: it may be late or forged.
            FUZZ_CHECK(state.Challenge() == (wasRunning ? std::optional(c) : kept));
            break;
        }
        default:
            state.Answered();
            running.reset();
            break;
        }
        FUZZ_CHECK(state.Running() == running);
    }
    return 0;
}

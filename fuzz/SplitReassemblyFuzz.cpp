// The split-reply reassembler. Two modes, chosen by the first byte:
// - any datagrams from a few senders at any times: the pieces held and the bytes held
//   stay within the limits, and a joined reply is never longer than the pieces that
//   could make it;
// - a valid reply cut into pieces that arrive shuffled, some repeated: it completes
//   exactly at its last new piece, and the joined reply is the pieces' payloads in index
//   order.
#include "FuzzCheck.h"
#include "SplitReassembler.h"

#include <algorithm>
#include <memory>
#include <set>

namespace {

constexpr SplitReassembler::Limits TestLimits{/*TimeLimitMs*/ 300, /*MaxParallel*/ 4,
                                              /*MaxBytes*/ 600};

Bytes Piece(int32_t id, int index, int total, const Bytes& payload) {
    Bytes b{0xFE, 0xFF, 0xFF, 0xFF};
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(id) >> (8 * i)));
    b.push_back(static_cast<uint8_t>(index << 4 | total));
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

void AnyDatagrams(const uint8_t* data, size_t size) {
    SplitReassembler r(TestLimits);
    uint32_t now = 0xFFFFFF00u; // across the wrap
    size_t at = 0;
    while (at + 3 <= size) {
        const uint8_t length = data[at];
        const uint64_t source = data[at + 1] & 3;
        now += data[at + 2];
        at += 3;
        const size_t n = std::min<size_t>(length, size - at);
        std::unique_ptr<uint8_t[]> exact(new uint8_t[n]);
        std::copy(data + at, data + at + n, exact.get());
        at += n;
        Bytes joined;
        const auto result = r.Take(std::span<const uint8_t>(exact.get(), n), now, joined, source);
        FUZZ_CHECK(r.Pending() <= TestLimits.MaxParallel);
        FUZZ_CHECK(r.HeldBytes() <= TestLimits.MaxBytes);
        if (result == SplitReassembler::Result::Complete)
            FUZZ_CHECK(joined.size() <= size_t{15} * 255);
        FUZZ_CHECK((result == SplitReassembler::Result::NotSplit) ==
                   !SplitReassembler::IsSplit(std::span<const uint8_t>(exact.get(), n)));
    }
}

void ValidReply(const uint8_t* data, size_t size) {
    if (size < 2)
        return;
    const int total = data[0] % 15 + 1;
    const int32_t id = data[1];
    data += 2;
    size -= 2;
    // The payloads: the input cut into `total` parts.
    std::vector<Bytes> payloads(static_cast<size_t>(total));
    for (size_t i = 0; i < size && i < 500; ++i)
        payloads[i % static_cast<size_t>(total)].push_back(data[i]);
    // Arrival order: each byte picks a piece, so pieces repeat and come in any order;
    // then every piece once, so the reply completes.
    std::vector<int> order;
    for (size_t i = 0; i < size; ++i)
        order.push_back(data[i] % total);
    for (int i = total - 1; i >= 0; --i)
        order.push_back(i);
    SplitReassembler r(SplitReassembler::Limits{1000, 4, 1 << 16});
    std::set<int> seen;
    Bytes joined;
    for (int index : order) {
        const auto result =
            r.Take(Piece(id, index, total, payloads[static_cast<size_t>(index)]), 0, joined, 1);
        seen.insert(index);
        if (static_cast<int>(seen.size()) == total) {
            FUZZ_CHECK(result == SplitReassembler::Result::Complete);
            Bytes expected;
            for (const Bytes& p : payloads)
                expected.insert(expected.end(), p.begin(), p.end());
            FUZZ_CHECK(joined == expected);
            FUZZ_CHECK(r.Pending() == 0 && r.HeldBytes() == 0);
            return;
        }
        FUZZ_CHECK(result == SplitReassembler::Result::Pending);
    }
    FUZZ_CHECK(false); // every piece was sent at the end
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] & 1)
        AnyDatagrams(data + 1, size - 1);
    else
        ValidReply(data + 1, size - 1);
    return 0;
}

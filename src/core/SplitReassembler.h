#pragma once

#include "QueryProtocol.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <utility>

// Joins the split replies of the binary dialect: FE FF FF FF, int32 id, one byte
// (index << 4 | total), payload from byte 9; the payloads joined in index order form a
// normal FF FF FF FF reply. Pieces come in any order. Every reassembly is dropped after a
// time limit, and the parallel reassemblies and the bytes held are bounded, so a stream
// of made-up pieces costs a fixed amount of memory. Time is the caller's millisecond
// tick (wrapping), so no clock is read here.
class SplitReassembler {
public:
    struct Limits {
        uint32_t TimeLimitMs = 5000;       // from a reassembly's first piece
        size_t MaxParallel = 64;           // reassemblies under way at once
        size_t MaxBytes = size_t{1} << 20; // payload bytes held by all of them
    };
    static constexpr int MaxPieces = 15;
    static constexpr size_t HeaderSize = 9;

    enum class Result {
        NotSplit, // not a split piece: handle the datagram as it is
        Pending,  // kept (or an equal repeat); more pieces are needed
        Complete, // the last piece: `joined` holds the whole reply
        Refused   // a total of 0 or over 15, an index not below the total, a total other
                  // than its id's, or a repeated piece with other bytes (its id is dropped)
    };

    SplitReassembler() = default;
    explicit SplitReassembler(Limits limits) : Bounds(limits) {}

    // True when the datagram starts with the split header FE FF FF FF.
    static bool IsSplit(std::span<const uint8_t> datagram);

    // Takes one datagram that arrived at `now` from `source` (any number the caller uses
    // to tell senders apart, e.g. address << 16 | port): ids are kept per source.
    Result Take(std::span<const uint8_t> datagram, uint32_t now, Bytes& joined,
                uint64_t source = 0);
    // Drops the reassemblies older than the time limit at `now`.
    void Expire(uint32_t now);
    void Clear();

    size_t Pending() const { return Parts.size(); }
    size_t HeldBytes() const { return Held; }

private:
    struct Assembly {
        uint32_t FirstTick = 0;
        uint64_t Order = 0; // arrival order of first pieces: the oldest is dropped first
        int Total = 0;
        int Received = 0;
        size_t Bytes = 0;
        std::array<std::optional<::Bytes>, MaxPieces> Pieces;
    };
    using Key = std::pair<uint64_t, int32_t>;

    void Drop(std::map<Key, Assembly>::iterator it);
    void DropOldest();

    Limits Bounds;
    std::map<Key, Assembly> Parts;
    size_t Held = 0;
    uint64_t NextOrder = 0;
};

#include "SplitReassembler.h"

#include <algorithm>

bool SplitReassembler::IsSplit(std::span<const uint8_t> datagram) {
    return datagram.size() >= 4 && datagram[0] == 0xFE && datagram[1] == 0xFF &&
           datagram[2] == 0xFF && datagram[3] == 0xFF;
}

void SplitReassembler::Drop(std::map<Key, Assembly>::iterator it) {
    Held -= it->second.Bytes;
    Parts.erase(it);
}

void SplitReassembler::DropOldest() {
    auto oldest = std::min_element(Parts.begin(), Parts.end(), [](const auto& a, const auto& b) {
        return a.second.Order < b.second.Order;
    });
    if (oldest != Parts.end())
        Drop(oldest);
}

void SplitReassembler::Expire(uint32_t now) {
    for (auto it = Parts.begin(); it != Parts.end();) {
        auto next = std::next(it);
        // Unsigned difference: right across the tick count's wrap.
        if (now - it->second.FirstTick >= Bounds.TimeLimitMs)
            Drop(it);
        it = next;
    }
}

void SplitReassembler::Clear() {
    Parts.clear();
    Held = 0;
}

SplitReassembler::Result SplitReassembler::Take(std::span<const uint8_t> datagram, uint32_t now,
                                                Bytes& joined, uint64_t source) {
    if (!IsSplit(datagram))
        return Result::NotSplit;
    Expire(now);
    if (datagram.size() < HeaderSize)
        return Result::Refused;
    uint32_t rawId = 0;
    for (size_t i = 0; i < 4; ++i)
        rawId |= static_cast<uint32_t>(datagram[4 + i]) << (8 * i);
    const Key key{source, static_cast<int32_t>(rawId)};
    const int index = datagram[8] >> 4;
    const int total = datagram[8] & 0x0F;
    const std::span<const uint8_t> payload = datagram.subspan(HeaderSize);

    auto found = Parts.find(key);
    if (total == 0 || index >= total || payload.size() > Bounds.MaxBytes ||
        (found != Parts.end() && found->second.Total != total)) {
        if (found != Parts.end())
            Drop(found);
        return Result::Refused;
    }
    if (found != Parts.end()) {
        const auto& kept = found->second.Pieces[static_cast<size_t>(index)];
        if (kept) {
            // A repeat with other bytes means the pieces cannot be trusted to belong together.
            if (!std::equal(kept->begin(), kept->end(), payload.begin(), payload.end())) {
                Drop(found);
                return Result::Refused;
            }
            return Result::Pending;
        }
    }
    if (total == 1) {
        joined.assign(payload.begin(), payload.end());
        return Result::Complete;
    }
    if (found == Parts.end()) {
        while (Parts.size() >= std::max<size_t>(Bounds.MaxParallel, 1))
            DropOldest();
        Assembly fresh;
        fresh.FirstTick = now;
        fresh.Order = NextOrder++;
        fresh.Total = total;
        found = Parts.emplace(key, std::move(fresh)).first;
    }
    // Older reassemblies give way so the bytes held stay bounded.
    while (Held + payload.size() > Bounds.MaxBytes && Parts.size() > 1) {
        auto oldest =
            std::min_element(Parts.begin(), Parts.end(), [&](const auto& a, const auto& b) {
                // The one being filled is never the victim.
                if (a.first == key)
                    return false;
                if (b.first == key)
                    return true;
                return a.second.Order < b.second.Order;
            });
        if (oldest->first == key)
            break;
        Drop(oldest);
    }
    Assembly& assembly = found->second;
    if (Held + payload.size() > Bounds.MaxBytes) {
        Drop(found);
        return Result::Refused;
    }
    assembly.Pieces[static_cast<size_t>(index)] = ::Bytes(payload.begin(), payload.end());
    assembly.Bytes += payload.size();
    Held += payload.size();
    if (++assembly.Received < assembly.Total)
        return Result::Pending;
    joined.clear();
    joined.reserve(assembly.Bytes);
    for (int i = 0; i < assembly.Total; ++i) {
        const ::Bytes& piece = *assembly.Pieces[static_cast<size_t>(i)];
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    Drop(found);
    return Result::Complete;
}

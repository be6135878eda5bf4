// ParseA2sInfo on any datagram: it takes only 'I' and 'm' replies, leaves the record alone
// otherwise, never holds more text than the datagram brings, and what it reads is a fixed
// point (a reply rebuilt from the record reads to the same record). The datagram is an
// exact-size copy, so a read past its end is caught by the address sanitizer.
#include "A2sProtocol.h"
#include "AnswerRecord.h"
#include "FuzzCheck.h"

#include <memory>
#include <string>

namespace {

struct Writer {
    Bytes Data{0xFF, 0xFF, 0xFF, 0xFF};
    void Byte(uint8_t b) { Data.push_back(b); }
    void Int(uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            Data.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void Str(const std::string& text) {
        Data.insert(Data.end(), text.begin(), text.end());
        Data.push_back(0);
    }
};

Bytes Rebuild(const A2sInfo& info) {
    Writer w;
    w.Byte(static_cast<uint8_t>(info.Kind));
    if (info.Kind == 'I') {
        w.Byte(static_cast<uint8_t>(info.Protocol));
        w.Str(info.Name);
        w.Str(info.Map);
        w.Str(info.Folder);
        w.Str(info.Game);
        w.Int(info.AppId, 2);
        w.Byte(static_cast<uint8_t>(info.Players));
        w.Byte(static_cast<uint8_t>(info.MaxPlayers));
        w.Byte(static_cast<uint8_t>(info.Bots));
        w.Byte(static_cast<uint8_t>(info.ServerType));
        w.Byte(static_cast<uint8_t>(info.Os));
        w.Byte(info.Password ? 1 : 0);
        w.Byte(info.Secure ? 1 : 0);
        w.Str(info.Version);
        if (info.ExtraFlags == 0)
            return w.Data;
        w.Byte(info.ExtraFlags);
        // The fields read whole, in order, up to the first that was cut short.
        const uint8_t f = info.ExtraFlags;
        if (f & 0x80) {
            if (!info.GamePort)
                return w.Data;
            w.Int(*info.GamePort, 2);
        }
        if (f & 0x10) {
            if (!info.ServerId)
                return w.Data;
            w.Int(*info.ServerId, 8);
        }
        if (f & 0x40) {
            if (!info.SpectatorPort)
                return w.Data;
            w.Int(*info.SpectatorPort, 2);
            w.Str(info.SpectatorName);
        }
        if (f & 0x20) {
            if (!info.Keywords)
                return w.Data;
            w.Str(*info.Keywords);
        }
        if ((f & 0x01) && info.GameId)
            w.Int(*info.GameId, 8);
        return w.Data;
    }
    w.Str(info.Address);
    w.Str(info.Name);
    w.Str(info.Map);
    w.Str(info.Folder);
    w.Str(info.Game);
    w.Byte(static_cast<uint8_t>(info.Players));
    w.Byte(static_cast<uint8_t>(info.MaxPlayers));
    w.Byte(static_cast<uint8_t>(info.Protocol));
    w.Byte(static_cast<uint8_t>(info.ServerType));
    w.Byte(static_cast<uint8_t>(info.Os));
    w.Byte(info.Password ? 1 : 0);
    w.Byte(info.IsMod ? 1 : 0);
    if (info.IsMod) {
        w.Str(info.ModLink);
        w.Str(info.ModDownload);
        w.Byte(0);
        w.Int(static_cast<uint32_t>(info.ModVersion), 4);
        w.Int(static_cast<uint32_t>(info.ModSize), 4);
        w.Byte(info.ModServerOnly);
        w.Byte(info.ModClientLibrary);
    }
    w.Byte(info.Secure ? 1 : 0);
    w.Byte(static_cast<uint8_t>(info.Bots));
    return w.Data;
}

size_t TextBytes(const A2sInfo& i) {
    return i.Address.size() + i.Name.size() + i.Map.size() + i.Folder.size() + i.Game.size() +
           i.Version.size() + i.SpectatorName.size() + (i.Keywords ? i.Keywords->size() : 0) +
           i.ModLink.size() + i.ModDownload.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size heap copy: one byte read past it is a sanitizer report.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size]);
    std::copy(data, data + size, exact.get());
    const std::span<const uint8_t> datagram(exact.get(), size);

    A2sInfo info;
    info.Name = "sentinel";
    const A2sInfo sentinel = info;
    const bool accepted = ParseA2sInfo(datagram, info);
    const uint8_t type = A2sReplyType(datagram);
    if (!accepted) {
        FUZZ_CHECK(info == sentinel);
        return 0;
    }
    FUZZ_CHECK(type == 'I' || type == 'm');
    FUZZ_CHECK(info.Kind == static_cast<char>(type));
    FUZZ_CHECK(LooksLikeA2sInfoAnswer(datagram) && LooksLikeAnyInfoAnswer(datagram));
    FUZZ_CHECK(TextBytes(info) <= size);
    FUZZ_CHECK(!ParseA2sChallenge(datagram));

    A2sInfo again;
    FUZZ_CHECK(ParseA2sInfo(Rebuild(info), again));
    FUZZ_CHECK(again == info);

    // The row is always the sender's, whatever address text 'm' carries.
    const auto row =
        BuildAnswerRecord(A2sInfoPairs(info, "127.0.0.1", 27015), QueryDialect::Binary);
    FUZZ_CHECK(row && row->IP == "127.0.0.1" && row->Port == "27015");
    FUZZ_CHECK(row->Protocol != "46" && row->Protocol != "47" ? true
                                                              : IsCounterStrikeFolder(info.Folder));
    return 0;
}

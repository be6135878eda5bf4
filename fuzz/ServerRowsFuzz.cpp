// Any sequence of list operations on a row store against a plain vector doing the same:
// no row is lost, doubled or changed by another row's operation, the identity index
// always names exactly the rows of each server, every listener hears the new size, and a
// list sorted by a column stays sorted under insertions at their sorted place.
#include "FuzzCheck.h"
#include "ServerRows.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// Texts that collide on purpose: prefixes, leading zeros, equal numbers, non-numbers.
const char* const Ips[] = {"127.70.0.1", "127.70.0.12", "127.70.0.01", "127.70.1.2", "10"};
const char* const Ports[] = {"27015", "7015", "027015", "1", ""};
const char* const Numbers[] = {"", "0", "-1", "12", "012", "abc", "2147483647", "2147483648"};

ServerStructure MakeRow(FuzzedDataProvider& in) {
    ServerStructure row;
    row.IP = Ips[in.ConsumeIntegralInRange<size_t>(0, 4)];
    row.Port = Ports[in.ConsumeIntegralInRange<size_t>(0, 4)];
    row.Name = in.ConsumeRandomLengthString(6);
    row.Map = in.ConsumeRandomLengthString(4);
    row.Players = Numbers[in.ConsumeIntegralInRange<size_t>(0, 7)];
    row.MaxPlayers = Numbers[in.ConsumeIntegralInRange<size_t>(0, 7)];
    row.Response = Numbers[in.ConsumeIntegralInRange<size_t>(0, 7)];
    row.Protocol = in.ConsumeBool() ? "47" : "46";
    row.Alive = in.ConsumeBool();
    row.SentAt = in.ConsumeIntegral<uint8_t>();
    return row;
}

size_t SortedPlace(const std::vector<ServerStructure>& rows, const ServerStructure& row, int column,
                   bool ascending) {
    size_t at = 0;
    for (; at < rows.size(); ++at) {
        const int c = CompareRows(rows[at], row, column);
        if (ascending ? c > 0 : c < 0)
            break;
    }
    return at;
}

bool IsSorted(const ServerRows& rows, int column, bool ascending) {
    for (size_t i = 1; i < rows.size(); ++i) {
        const int c = CompareRows(rows[i - 1], rows[i], column);
        if (ascending ? c > 0 : c < 0)
            return false;
    }
    return true;
}

void CheckSame(const ServerRows& rows, const std::vector<ServerStructure>& model) {
    FUZZ_CHECK(rows.size() == model.size());
    std::map<std::pair<std::string, std::string>, std::vector<size_t>> where;
    for (size_t i = 0; i < model.size(); ++i) {
        FUZZ_CHECK(rows[i] == model[i]);
        where[{model[i].IP, model[i].Port}].push_back(i);
    }
    for (const auto& [key, positions] : where) {
        FUZZ_CHECK(rows.Find(key.first, key.second) == positions);
        FUZZ_CHECK(rows.FindFirst(key.first, key.second) == positions.front());
    }
    for (const char* ip : Ips)
        for (const char* port : Ports)
            if (!where.count({ip, port}))
                FUZZ_CHECK(rows.Find(ip, port).empty() && !rows.FindFirst(ip, port));
    const auto identities = rows.Identities();
    FUZZ_CHECK(identities.size() == model.size());
    for (size_t i = 0; i < model.size(); ++i)
        FUZZ_CHECK(identities[i].IP == model[i].IP && identities[i].Port == model[i].Port);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    ServerRows rows;
    std::vector<ServerStructure> model;
    size_t heardSize = 0;
    rows.Listen([&](const RowsChange& change) { heardSize = change.Size; });
    // The column and direction the list is known to be sorted by, if any.
    std::optional<std::pair<int, bool>> sortedBy;

    for (int step = 0; step < 64 && in.remaining_bytes() > 0; ++step) {
        const int column = in.ConsumeIntegralInRange(0, 6);
        const bool ascending = in.ConsumeBool();
        switch (in.ConsumeIntegralInRange(0, 8)) {
        case 0: {
            ServerStructure row = MakeRow(in);
            const size_t expected = SortedPlace(model, row, column, ascending);
            model.insert(model.begin() + static_cast<ptrdiff_t>(expected), row);
            FUZZ_CHECK(InsertSorted(rows, row, column, ascending) == expected);
            if (sortedBy != std::pair{column, ascending})
                sortedBy.reset();
            break;
        }
        case 1: {
            std::vector<ServerStructure> batch;
            for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
                batch.push_back(MakeRow(in));
            for (const ServerStructure& row : batch)
                model.insert(model.begin() +
                                 static_cast<ptrdiff_t>(SortedPlace(model, row, column, ascending)),
                             row);
            rows.InsertSortedMany(batch, column, ascending);
            if (sortedBy != std::pair{column, ascending})
                sortedBy.reset();
            break;
        }
        case 2: {
            ServerStructure row = MakeRow(in);
            model.push_back(row);
            FUZZ_CHECK(rows.Add(row) == model.size() - 1);
            sortedBy.reset();
            break;
        }
        case 3: {
            std::vector<size_t> positions;
            for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n)
                positions.push_back(in.ConsumeIntegralInRange<size_t>(0, model.size() + 1));
            std::vector<bool> gone(model.size());
            for (size_t p : positions)
                if (p < model.size())
                    gone[p] = true;
            std::vector<ServerStructure> kept;
            for (size_t i = 0; i < model.size(); ++i)
                if (!gone[i])
                    kept.push_back(model[i]);
            model = kept;
            rows.RemoveRows(positions);
            break;
        }
        case 4: {
            if (model.empty())
                break;
            const size_t at = in.ConsumeIntegralInRange<size_t>(0, model.size() - 1);
            const ServerStructure row = MakeRow(in);
            model[at] = row;
            if (in.ConsumeBool())
                rows.Replace(at, row);
            else
                rows.Update(at, [&](ServerStructure& r) { r = row; });
            sortedBy.reset();
            break;
        }
        case 5: {
            const ServerStructure probe = MakeRow(in);
            const std::string newIp = Ips[in.ConsumeIntegralInRange<size_t>(0, 4)];
            size_t expected = 0;
            for (ServerStructure& r : model)
                if (SameServer(r, probe)) {
                    r.IP = newIp;
                    r.Map = probe.Map;
                    ++expected;
                }
            const size_t changed = rows.UpdateServer(probe.IP, probe.Port, [&](ServerStructure& r) {
                r.IP = newIp;
                r.Map = probe.Map;
            });
            FUZZ_CHECK(changed == expected);
            sortedBy.reset();
            break;
        }
        case 6:
            std::stable_sort(model.begin(), model.end(),
                             [&](const ServerStructure& a, const ServerStructure& b) {
                                 const int c = CompareRows(a, b, column);
                                 return ascending ? c < 0 : c > 0;
                             });
            SortList(rows, column, ascending, {});
            sortedBy = std::pair{column, ascending};
            break;
        case 7:
            if (!model.empty()) {
                const size_t at = in.ConsumeIntegralInRange<size_t>(0, model.size() - 1);
                model.erase(model.begin() + static_cast<ptrdiff_t>(at));
                rows.Remove(at);
            }
            break;
        default:
            model.clear();
            rows.Clear();
            break;
        }
        CheckSame(rows, model);
        FUZZ_CHECK(heardSize == rows.size());
        if (sortedBy)
            FUZZ_CHECK(IsSorted(rows, sortedBy->first, sortedBy->second));
    }
    return 0;
}

#include "ServerRows.h"

#include <algorithm>
#include <cstdint>

ServerRows::ServerRows() = default;
ServerRows::~ServerRows() = default;

size_t ServerRows::KeyHash::Hash(std::string_view ip, std::string_view port) {
    const size_t a = std::hash<std::string_view>{}(ip);
    const size_t b = std::hash<std::string_view>{}(port);
    return a ^ (b + 0x9e3779b97f4a7c15ull + (a << 6) + (a >> 2));
}

void ServerRows::IndexAdd(Node* node) {
    const auto key = std::pair<std::string_view, std::string_view>(node->Row.IP, node->Row.Port);
    auto it = Index.find(key);
    if (it == Index.end())
        it = Index.emplace(ServerKey{node->Row.IP, node->Row.Port}, Bucket{}).first;
    it->second.push_back(node);
}

void ServerRows::IndexRemove(Node* node, std::string_view ip, std::string_view port) {
    const auto it = Index.find(std::pair<std::string_view, std::string_view>(ip, port));
    if (it == Index.end())
        return;
    Bucket& bucket = it->second;
    bucket.erase(std::remove(bucket.begin(), bucket.end(), node), bucket.end());
    if (bucket.empty())
        Index.erase(it);
}

void ServerRows::Renumber(size_t from) {
    for (size_t i = from; i < Nodes.size(); ++i)
        Nodes[i]->Position = i;
}

void ServerRows::Notify(const RowsChange& change) {
    for (const auto& [id, listener] : Listeners)
        listener(change);
}

void ServerRows::NotifyChanged(size_t first, size_t last) {
    RowsChange change;
    change.Kind = RowsChangeKind::Changed;
    change.First = first;
    change.Last = last;
    change.Size = Nodes.size();
    Notify(change);
}

std::vector<size_t> ServerRows::Find(std::string_view ip, std::string_view port) const {
    std::vector<size_t> positions;
    const auto it = Index.find(std::pair<std::string_view, std::string_view>(ip, port));
    if (it == Index.end())
        return positions;
    positions.reserve(it->second.size());
    for (const Node* node : it->second)
        positions.push_back(node->Position);
    std::sort(positions.begin(), positions.end());
    return positions;
}

std::optional<size_t> ServerRows::FindFirst(std::string_view ip, std::string_view port) const {
    const auto it = Index.find(std::pair<std::string_view, std::string_view>(ip, port));
    if (it == Index.end())
        return std::nullopt;
    size_t first = Nodes.size();
    for (const Node* node : it->second)
        first = std::min(first, node->Position);
    return first;
}

std::vector<ServerKey> ServerRows::Identities() const {
    std::vector<ServerKey> keys;
    keys.reserve(Nodes.size());
    for (const auto& node : Nodes)
        keys.push_back({node->Row.IP, node->Row.Port});
    return keys;
}

size_t ServerRows::InsertAt(size_t position, ServerStructure row) {
    auto node = std::make_unique<Node>();
    node->Row = std::move(row);
    Node* raw = node.get();
    Nodes.insert(Nodes.begin() + static_cast<ptrdiff_t>(position), std::move(node));
    Renumber(position);
    IndexAdd(raw);
    return position;
}

size_t ServerRows::SortedPlace(const ServerStructure& row, int column, bool ascending) const {
    size_t at = 0;
    for (; at < Nodes.size(); ++at) {
        const int c = CompareRows(Nodes[at]->Row, row, column);
        if (ascending ? c > 0 : c < 0)
            break;
    }
    return at;
}

size_t ServerRows::Add(ServerStructure row) {
    const size_t at = InsertAt(Nodes.size(), std::move(row));
    RowsChange change;
    change.Kind = RowsChangeKind::Inserted;
    change.Positions = std::span<const size_t>(&at, 1);
    change.Size = Nodes.size();
    Notify(change);
    return at;
}

size_t ServerRows::InsertSorted(ServerStructure row, int column, bool ascending) {
    const size_t place = SortedPlace(row, column, ascending);
    const size_t at = InsertAt(place, std::move(row));
    RowsChange change;
    change.Kind = RowsChangeKind::Inserted;
    change.Positions = std::span<const size_t>(&at, 1);
    change.Size = Nodes.size();
    Notify(change);
    return at;
}

void ServerRows::InsertSortedMany(std::vector<ServerStructure> rows, int column, bool ascending) {
    if (rows.empty())
        return;
    // One row after the other, each row goes in before the first row that sorts after it.
    // For a row of the store that first row is always a record: a row sorting after every
    // row before it. So each new row is anchored before the first record sorting after
    // it (or at the end), and the new rows of one anchor end up in stable sorted order
    // right before it, as one-by-one insertion leaves them; the rows before that anchor
    // all sort no later than the new row, new rows of earlier anchors strictly earlier.
    const auto after = [column, ascending](const ServerStructure& a, const ServerStructure& b) {
        const int c = CompareRows(a, b, column);
        return ascending ? c > 0 : c < 0;
    };
    std::vector<size_t> records;
    for (size_t i = 0; i < Nodes.size(); ++i)
        if (records.empty() || after(Nodes[i]->Row, Nodes[records.back()]->Row))
            records.push_back(i);
    struct Placed {
        size_t Anchor;
        size_t Index;
    };
    std::vector<Placed> placed(rows.size());
    for (size_t j = 0; j < rows.size(); ++j) {
        const auto record =
            std::upper_bound(records.begin(), records.end(), j, [&](size_t row, size_t at) {
                return after(Nodes[at]->Row, rows[row]);
            });
        placed[j] = {record == records.end() ? Nodes.size() : *record, j};
    }
    std::stable_sort(placed.begin(), placed.end(), [&](const Placed& a, const Placed& b) {
        if (a.Anchor != b.Anchor)
            return a.Anchor < b.Anchor;
        return after(rows[b.Index], rows[a.Index]);
    });

    std::vector<std::unique_ptr<Node>> merged;
    merged.reserve(Nodes.size() + rows.size());
    std::vector<size_t> positions;
    positions.reserve(rows.size());
    size_t next = 0;
    const auto addUpTo = [&](size_t anchor) {
        for (; next < placed.size() && placed[next].Anchor == anchor; ++next) {
            auto node = std::make_unique<Node>();
            node->Row = std::move(rows[placed[next].Index]);
            positions.push_back(merged.size());
            merged.push_back(std::move(node));
        }
    };
    for (size_t i = 0; i < Nodes.size(); ++i) {
        addUpTo(i);
        merged.push_back(std::move(Nodes[i]));
    }
    addUpTo(Nodes.size());
    Nodes = std::move(merged);
    Renumber(positions.front());
    for (const size_t at : positions)
        IndexAdd(Nodes[at].get());

    RowsChange change;
    change.Kind = RowsChangeKind::Inserted;
    change.Positions = positions;
    change.Size = Nodes.size();
    Notify(change);
}

void ServerRows::Remove(size_t position) {
    RemoveRows({position});
}

void ServerRows::RemoveRows(std::vector<size_t> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(std::lower_bound(positions.begin(), positions.end(), Nodes.size()),
                    positions.end());
    if (positions.empty())
        return;
    size_t next = 0, kept = positions.front();
    for (size_t i = positions.front(); i < Nodes.size(); ++i) {
        if (next < positions.size() && positions[next] == i) {
            IndexRemove(Nodes[i].get(), Nodes[i]->Row.IP, Nodes[i]->Row.Port);
            Nodes[i].reset();
            ++next;
        } else {
            Nodes[kept++] = std::move(Nodes[i]);
        }
    }
    Nodes.resize(kept);
    Renumber(positions.front());
    RowsChange change;
    change.Kind = RowsChangeKind::Removed;
    change.Positions = positions;
    change.Size = Nodes.size();
    Notify(change);
}

void ServerRows::Clear() {
    std::vector<size_t> all(Nodes.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = i;
    RemoveRows(std::move(all));
}

void ServerRows::Replace(size_t position, ServerStructure row) {
    Node* node = Nodes.at(position).get();
    IndexRemove(node, node->Row.IP, node->Row.Port);
    node->Row = std::move(row);
    IndexAdd(node);
    NotifyChanged(position, position);
}

void ServerRows::Update(size_t position, const std::function<void(ServerStructure&)>& edit) {
    Node* node = Nodes.at(position).get();
    const ServerKey before{node->Row.IP, node->Row.Port};
    edit(node->Row);
    if (node->Row.IP != before.IP || node->Row.Port != before.Port) {
        IndexRemove(node, before.IP, before.Port);
        IndexAdd(node);
    }
    NotifyChanged(position, position);
}

size_t ServerRows::UpdateServer(std::string_view ip, std::string_view port,
                                const std::function<void(ServerStructure&)>& edit) {
    const auto it = Index.find(std::pair<std::string_view, std::string_view>(ip, port));
    if (it == Index.end())
        return 0;
    // A copy: an edit of the address moves rows out of this bucket.
    const Bucket rows = it->second;
    const ServerKey key{std::string(ip), std::string(port)};
    size_t first = Nodes.size(), last = 0;
    bool moved = false;
    for (Node* node : rows) {
        edit(node->Row);
        moved = moved || node->Row.IP != key.IP || node->Row.Port != key.Port;
        first = std::min(first, node->Position);
        last = std::max(last, node->Position);
    }
    if (moved) {
        Index.erase(Index.find(key));
        for (Node* node : rows)
            IndexAdd(node);
    }
    NotifyChanged(first, last);
    return rows.size();
}

namespace {

// The order a stable sort by CompareRows gives, computed on keys taken out of the rows
// once: the rows' own texts are scattered in memory, the keys lie side by side. Ties keep
// list order through the position, so an unstable sort of the keys is stable for rows.
std::vector<uint32_t> SortedOrder(const std::vector<const ServerStructure*>& rows, int column,
                                  bool ascending) {
    const size_t n = rows.size();
    std::vector<uint32_t> order(n);
    if (column == ColName || column == ColIP || column == ColMap) {
        struct Key {
            uint64_t Prefix; // the first 8 bytes, big-endian, zero-padded
            std::string_view Text;
            uint32_t Position;
        };
        std::vector<Key> keys(n);
        for (size_t i = 0; i < n; ++i) {
            const std::string& text = ColumnText(*rows[i], column);
            uint64_t prefix = 0;
            for (size_t k = 0; k < 8; ++k)
                prefix = prefix << 8 | (k < text.size() ? static_cast<unsigned char>(text[k]) : 0u);
            keys[i] = {prefix, text, static_cast<uint32_t>(i)};
        }
        std::sort(keys.begin(), keys.end(), [ascending](const Key& a, const Key& b) {
            int c = a.Prefix < b.Prefix ? -1 : a.Prefix > b.Prefix ? 1 : 0;
            if (c == 0)
                c = a.Text.compare(b.Text); // memcmp: unsigned bytes, a prefix first
            if (c != 0)
                return ascending ? c < 0 : c > 0;
            return a.Position < b.Position;
        });
        for (size_t i = 0; i < n; ++i)
            order[i] = keys[i].Position;
        return order;
    }
    std::vector<uint64_t> keys(n);
    for (size_t i = 0; i < n; ++i) {
        // The value, flipped into unsigned order (and inverted for descending), above the position.
        const int32_t value = NumericKey(ColumnText(*rows[i], column));
        uint32_t ordered = static_cast<uint32_t>(value) ^ 0x80000000u;
        if (!ascending)
            ordered = ~ordered;
        keys[i] = uint64_t{ordered} << 32 | i;
    }
    std::sort(keys.begin(), keys.end());
    for (size_t i = 0; i < n; ++i)
        order[i] = static_cast<uint32_t>(keys[i]);
    return order;
}

} // namespace

void ServerRows::Sort(int column, bool ascending) {
    if (Nodes.empty())
        return;
    std::vector<const ServerStructure*> rows(Nodes.size());
    for (size_t i = 0; i < Nodes.size(); ++i)
        rows[i] = &Nodes[i]->Row;
    const std::vector<uint32_t> order = SortedOrder(rows, column, ascending);
    std::vector<std::unique_ptr<Node>> sorted(Nodes.size());
    for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = std::move(Nodes[order[i]]);
    Nodes = std::move(sorted);
    std::vector<size_t> newPositionOf(Nodes.size());
    for (size_t i = 0; i < Nodes.size(); ++i)
        newPositionOf[Nodes[i]->Position] = i;
    Renumber(0);
    RowsChange change;
    change.Kind = RowsChangeKind::Reordered;
    change.NewPositionOf = newPositionOf;
    change.Size = Nodes.size();
    Notify(change);
}

ServerRows::ListenerId ServerRows::Listen(Listener listener) const {
    const ListenerId id = NextListener++;
    Listeners.emplace_back(id, std::move(listener));
    return id;
}

void ServerRows::Unlisten(ListenerId id) const {
    std::erase_if(Listeners, [id](const auto& entry) { return entry.first == id; });
}

size_t InsertSorted(ServerRows& list, ServerStructure row, int column, bool ascending) {
    return list.InsertSorted(std::move(row), column, ascending);
}

void SortList(ServerRows& list, int column, bool ascending,
              const std::function<void()>& rebuildFavoritesView) {
    if (list.empty())
        return;
    list.Sort(column, ascending);
    if (rebuildFavoritesView)
        rebuildFavoritesView();
}

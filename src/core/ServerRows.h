#pragma once

#include "ServerList.h"

#include <cstddef>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The identity of a server: its IP text and its Port text, compared exactly.
struct ServerKey {
    std::string IP;
    std::string Port;
    bool operator==(const ServerKey&) const = default;
};

// One row in its store: the row and where it stands now.
struct ServerRowsNode {
    ServerStructure Row;
    size_t Position = 0;
};

enum class RowsChangeKind {
    Inserted,  // Positions: where the new rows stand now, ascending
    Removed,   // Positions: where the removed rows stood, ascending
    Changed,   // First..Last: rows changed in place (inclusive span)
    Reordered, // NewPositionOf[old position] = new position; the count stays
};

// What one operation did to a row store; the spans are valid during the notice only.
struct RowsChange {
    RowsChangeKind Kind = RowsChangeKind::Changed;
    std::span<const size_t> Positions;
    size_t First = 0, Last = 0;
    std::span<const size_t> NewPositionOf;
    size_t Size = 0; // rows after the change
};

// The rows of one server list, in display order, with an index from (IP, Port) to the
// rows of that server that no change can leave stale: every change goes through here,
// and every listener hears of it synchronously, once per operation. Rows are values; a
// caller holds a position or an identity, never a pointer into the store.
// A listener must not change the store it is told about.
class ServerRows {
public:
    using Listener = std::function<void(const RowsChange&)>;
    using ListenerId = size_t;

    ServerRows();
    ~ServerRows();
    ServerRows(const ServerRows&) = delete;
    ServerRows& operator=(const ServerRows&) = delete;

    size_t size() const { return Nodes.size(); }
    bool empty() const { return Nodes.empty(); }
    const ServerStructure& operator[](size_t position) const { return Nodes[position]->Row; }

    class const_iterator {
    public:
        using Inner = std::vector<std::unique_ptr<ServerRowsNode>>::const_iterator;
        using iterator_category = std::forward_iterator_tag;
        using value_type = ServerStructure;
        using difference_type = std::ptrdiff_t;
        using pointer = const ServerStructure*;
        using reference = const ServerStructure&;
        const_iterator() = default;
        explicit const_iterator(Inner at) : At(at) {}
        reference operator*() const { return (*At)->Row; }
        pointer operator->() const { return &(*At)->Row; }
        const_iterator& operator++() {
            ++At;
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator before = *this;
            ++At;
            return before;
        }
        bool operator==(const const_iterator&) const = default;

    private:
        Inner At;
    };
    const_iterator begin() const { return const_iterator(Nodes.begin()); }
    const_iterator end() const { return const_iterator(Nodes.end()); }

    // Positions of every row of the server, ascending; O(1) on average for one server.
    std::vector<size_t> Find(std::string_view ip, std::string_view port) const;
    // The first row of the server in list order.
    std::optional<size_t> FindFirst(std::string_view ip, std::string_view port) const;
    // Every row's identity in list order: what a worker walks instead of the rows.
    std::vector<ServerKey> Identities() const;

    // Appends a row; returns its position.
    size_t Add(ServerStructure row);
    // Inserts before the first row greater (ascending) or smaller (descending) in the
    // column, wherever that row is; appends when there is none. Returns the position.
    size_t InsertSorted(ServerStructure row, int column, bool ascending);
    // The same for many rows, one after the other, told as one insertion.
    void InsertSortedMany(std::vector<ServerStructure> rows, int column, bool ascending);
    void Remove(size_t position);
    // Removes the rows at these positions (any order, duplicates ignored) as one change.
    void RemoveRows(std::vector<size_t> positions);
    void Clear();
    // Puts another row in the place of one.
    void Replace(size_t position, ServerStructure row);
    // Edits one row in place, its IP and Port included.
    void Update(size_t position, const std::function<void(ServerStructure&)>& edit);
    // Edits every row of a server in place; returns how many there were.
    size_t UpdateServer(std::string_view ip, std::string_view port,
                        const std::function<void(ServerStructure&)>& edit);
    // Stable sort of the whole store by a column; an empty store is left alone.
    void Sort(int column, bool ascending);

    // Listening is not a change of the rows, so a read-only holder may listen.
    ListenerId Listen(Listener listener) const;
    void Unlisten(ListenerId id) const;

private:
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(const ServerKey& key) const { return Hash(key.IP, key.Port); }
        size_t operator()(const std::pair<std::string_view, std::string_view>& key) const {
            return Hash(key.first, key.second);
        }
        static size_t Hash(std::string_view ip, std::string_view port);
    };
    struct KeyEqual {
        using is_transparent = void;
        template <class A, class B> bool operator()(const A& a, const B& b) const {
            return View(a) == View(b);
        }
        static std::pair<std::string_view, std::string_view> View(const ServerKey& key) {
            return {key.IP, key.Port};
        }
        static std::pair<std::string_view, std::string_view>
        View(const std::pair<std::string_view, std::string_view>& key) {
            return key;
        }
    };
    using Node = ServerRowsNode;
    using Bucket = std::vector<Node*>;

    void IndexAdd(Node* node);
    void IndexRemove(Node* node, std::string_view ip, std::string_view port);
    void Renumber(size_t from);
    size_t InsertAt(size_t position, ServerStructure row);
    size_t SortedPlace(const ServerStructure& row, int column, bool ascending) const;
    void Notify(const RowsChange& change);
    void NotifyChanged(size_t first, size_t last);

    std::vector<std::unique_ptr<Node>> Nodes;
    std::unordered_map<ServerKey, Bucket, KeyHash, KeyEqual> Index;
    mutable std::vector<std::pair<ListenerId, Listener>> Listeners;
    mutable ListenerId NextListener = 1;
};

// The list operations by their design names; InsertSorted returns the row's position.
size_t InsertSorted(ServerRows& list, ServerStructure row, int column, bool ascending);
// Sorts, then calls rebuildFavoritesView, unless the list is empty.
void SortList(ServerRows& list, int column, bool ascending,
              const std::function<void()>& rebuildFavoritesView);

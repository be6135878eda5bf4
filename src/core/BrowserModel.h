#pragma once

#include "ServerRows.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

// The state the main window's subsystems share: the two server lists, the favorites
// view's index tables, the last parsed details, the picked server and the sort state of
// every list. The window owns one and hands it to the controllers; state a controller
// keeps for itself (the scan's) is not here.
struct BrowserModel {
    ServerRows SearchResults;
    ServerRows Favorites;
    // Indices into Favorites of the rows not tagged "47", and of those not tagged "46".
    std::vector<int32_t> FavoriteRows15, FavoriteRows16;

    ServerInfoStructure ServerInfo;
    PlayersInfoStructure PlayersInfo;
    RulesInfoStructure RulesInfo;
    int32_t PlayerCount = 0, RuleCount = 0;
    std::atomic<int32_t> DetailState{0};
    std::atomic<uint32_t> DetailSentAt{0}, DetailReceivedAt{0};
    // IP, a colon and Port of the server whose details are shown; "" when none.
    std::string SelectedAddress;

    std::atomic<bool> AutoRefreshOn{false}, Refreshing{false};

    // Previous click index and time, current click index and time, per server view.
    std::array<int32_t, 4> ServerClickTracking{-1, -1, 0, 0};
    std::array<int32_t, 4> FavoriteClickTracking{-1, -1, 0, 0};

    int32_t ServerSortColumn = 0, FavoriteSortColumn = 0, RulesSortColumn = 0;
    int32_t PlayersSortColumn = 2;
    bool ServerSortAscending = true, FavoriteSortAscending = true;
    bool RulesSortAscending = true, PlayersSortAscending = false;
};

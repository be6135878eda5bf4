#include "FavoriteRows.h"

#include "Gbk.h"

void RebuildFavoriteRows(const ServerRows& favorites, std::vector<int32_t>& rows15,
                         std::vector<int32_t>& rows16) {
    rows15.clear();
    rows16.clear();
    int32_t position = 0;
    for (const ServerStructure& row : favorites) {
        // A row whose version is not known yet ("00") belongs to both.
        if (row.Protocol != "47")
            rows15.push_back(position);
        if (row.Protocol != "46")
            rows16.push_back(position);
        ++position;
    }
    rows15.shrink_to_fit();
    rows16.shrink_to_fit();
}

FavoriteShow FavoriteShowOf(std::string_view filter1, std::string_view filter2) {
    if (filter1 == "1" && filter2 == "0")
        return FavoriteShow::Only15;
    if (filter1 == "0" && filter2 == "1")
        return FavoriteShow::Only16;
    if (filter1 == "1" && filter2 == "1")
        return FavoriteShow::All;
    return FavoriteShow::None;
}

size_t FavoriteViewCount(FavoriteShow show, const std::vector<int32_t>& rows15,
                         const std::vector<int32_t>& rows16, size_t favoritesSize) {
    switch (show) {
    case FavoriteShow::Only15:
        return rows15.size();
    case FavoriteShow::Only16:
        return rows16.size();
    case FavoriteShow::All:
        return favoritesSize;
    case FavoriteShow::None:
        break;
    }
    return 0;
}

std::optional<size_t> FavoriteListPosition(FavoriteShow show, const std::vector<int32_t>& rows15,
                                           const std::vector<int32_t>& rows16, size_t favoritesSize,
                                           size_t viewRow) {
    const std::vector<int32_t>* table = nullptr;
    switch (show) {
    case FavoriteShow::Only15:
        table = &rows15;
        break;
    case FavoriteShow::Only16:
        table = &rows16;
        break;
    case FavoriteShow::All:
        if (viewRow < favoritesSize)
            return viewRow;
        return std::nullopt;
    case FavoriteShow::None:
        return std::nullopt;
    }
    if (viewRow >= table->size())
        return std::nullopt;
    const int32_t at = (*table)[viewRow];
    if (at < 0 || static_cast<size_t>(at) >= favoritesSize)
        return std::nullopt;
    return static_cast<size_t>(at);
}

std::string FavoritesCaption(size_t count) {
    static const std::string prefix = G("我的收藏 : ");
    return prefix + std::to_string(count);
}

#pragma once

#include "ServerRows.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Rebuilds the favorites view's index tables: the positions in Favorites, in list order, of
// the rows not tagged "47" (rows15) and of the rows not tagged "46" (rows16).
void RebuildFavoriteRows(const ServerRows& favorites, std::vector<int32_t>& rows15,
                         std::vector<int32_t>& rows16);

// Which favorites the view shows, from the Favorite/Filter1 and Favorite/Filter2 texts.
enum class FavoriteShow { None, Only15, Only16, All };
FavoriteShow FavoriteShowOf(std::string_view filter1, std::string_view filter2);

// The favorites view's row count for the tables and the list size.
size_t FavoriteViewCount(FavoriteShow show, const std::vector<int32_t>& rows15,
                         const std::vector<int32_t>& rows16, size_t favoritesSize);

// The Favorites position shown at a view row; none when the row is past the view's rows
// or the table names a position the list no longer has.
std::optional<size_t> FavoriteListPosition(FavoriteShow show, const std::vector<int32_t>& rows15,
                                           const std::vector<int32_t>& rows16, size_t favoritesSize,
                                           size_t viewRow);

// "我的收藏 : " followed by the count, GBK: the caption of GroupBox_Favorite.
std::string FavoritesCaption(size_t count);

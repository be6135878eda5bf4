#include "FavoriteRows.h"

#include "Gbk.h"
#include "TestRow.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

ServerStructure Tagged(const std::string& protocol, int n) {
    return TestRow("127.41.0." + std::to_string(n)).Protocol(protocol);
}

struct ShowCase {
    const char* Name;
    const char* Filter1;
    const char* Filter2;
    std::vector<size_t> Shown; // Favorites positions, in view order
};
void PrintTo(const ShowCase& c, std::ostream* os) {
    *os << c.Name;
}

class FavoriteRowsShow : public testing::TestWithParam<ShowCase> {};

// Tags "46", "47", "00", "47": the view's rows for every pair of show settings.
TEST_P(FavoriteRowsShow, MapsViewRowsToFavorites) {
    ServerRows favorites;
    int n = 1;
    for (const char* tag : {"46", "47", "00", "47"})
        favorites.Add(Tagged(tag, n++));
    std::vector<int32_t> rows15{99}, rows16{99}; // a rebuild drops what was there
    RebuildFavoriteRows(favorites, rows15, rows16);
    EXPECT_EQ(rows15, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(rows16, (std::vector<int32_t>{1, 2, 3}));

    const FavoriteShow show = FavoriteShowOf(GetParam().Filter1, GetParam().Filter2);
    const size_t count = FavoriteViewCount(show, rows15, rows16, favorites.size());
    std::vector<size_t> shown;
    for (size_t i = 0; i < count; ++i)
        shown.push_back(FavoriteListPosition(show, rows15, rows16, favorites.size(), i).value());
    EXPECT_EQ(shown, GetParam().Shown);
    EXPECT_EQ(FavoriteListPosition(show, rows15, rows16, favorites.size(), count), std::nullopt);
    EXPECT_EQ(FavoritesCaption(count), G("我的收藏 : ") + std::to_string(count));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FavoriteRowsShow,
    testing::Values(ShowCase{"Only15", "1", "0", {0, 2}}, ShowCase{"Only16", "0", "1", {1, 2, 3}},
                    ShowCase{"Both", "1", "1", {0, 1, 2, 3}}, ShowCase{"Neither", "0", "0", {}},
                    ShowCase{"UnsetFilter", "", "1", {}}, ShowCase{"NotAFlag", "1", "yes", {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(FavoriteRows, StaleTableNeverNamesARowPastTheList) {
    const std::vector<int32_t> rows15{0, 5}, rows16;
    EXPECT_EQ(FavoriteListPosition(FavoriteShow::Only15, rows15, rows16, 3, 1), std::nullopt);
    EXPECT_EQ(FavoriteListPosition(FavoriteShow::All, rows15, rows16, 3, 3), std::nullopt);
}

} // namespace

#include "FavoritesStore.h"

#include "FavoritesFile.h"
#include "FileAccess.h"
#include "FileReplace.h"

#include <algorithm>
#include <optional>

bool LoadFavoritesFile(const std::string& path, std::string_view tag, ServerRows& favorites,
                       int sortColumn, bool ascending) {
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes)
        return false;
    std::vector<ServerStructure> rows = ReadFavoritesFile(*bytes, tag);
    std::erase_if(rows, [&](const ServerStructure& row) {
        return favorites.FindFirst(row.IP, row.Port).has_value();
    });
    favorites.InsertSortedMany(std::move(rows), sortColumn, ascending);
    return true;
}

std::vector<std::string> FavoritesFilePaths(const std::string& startDirectory) {
    std::vector<std::string> paths;
    for (const char* tag : {"46", "47", "00"})
        paths.push_back(JoinPath(startDirectory, FavoritesFileName(tag)));
    return paths;
}

std::vector<std::string> SaveFavoritesFiles(const std::string& startDirectory,
                                            const ServerRows& favorites) {
    const std::vector<ServerStructure> rows(favorites.begin(), favorites.end());
    std::vector<std::string> failed;
    for (const char* tag : {"46", "47", "00"}) {
        const std::string path = JoinPath(startDirectory, FavoritesFileName(tag));
        if (!ReplaceFile(path, FavoritesFileBytes(rows, tag)))
            failed.push_back(path);
    }
    return failed;
}

void CopyFavoritesToGame(const std::string& startDirectory, const std::string& gamePath15,
                         const std::string& gamePath16,
                         const std::vector<std::string>& notWritten) {
    const auto copy = [&](const std::string& gamePath, std::string_view tag) {
        if (gamePath.empty())
            return;
        const std::string from = JoinPath(startDirectory, FavoritesFileName(tag));
        if (std::find(notWritten.begin(), notWritten.end(), from) != notWritten.end())
            return;
        if (const std::optional<std::string> bytes = ReadFileBytes(from))
            ReplaceFile(JoinPath(FolderOf(gamePath), "favsvrs.dat"), *bytes);
    };
    copy(gamePath15, "46");
    copy(gamePath16, "47");
}

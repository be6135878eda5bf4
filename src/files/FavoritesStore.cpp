#include "FavoritesStore.h"

#include "FavoritesFile.h"
#include "FileAccess.h"
#include "FileReplace.h"

#include <algorithm>

ReadStatus LoadFavoritesFile(const std::string& path, std::string_view tag, ServerRows& favorites,
                             int sortColumn, bool ascending) {
    const FileRead read = ReadRegularFile(path, MaxFavoritesBytes);
    if (!read.Ok())
        return read.Status;
    std::vector<ServerStructure> rows = ReadFavoritesFile(read.Bytes, tag);
    std::erase_if(rows, [&](const ServerStructure& row) {
        return favorites.FindFirst(row.IP, row.Port).has_value();
    });
    favorites.InsertSortedMany(std::move(rows), sortColumn, ascending);
    return ReadStatus::Read;
}

std::vector<std::string> FavoritesFilePaths(const std::string& startDirectory) {
    std::vector<std::string> paths;
    for (const char* tag : {"46", "47", "00"})
        paths.push_back(JoinPath(startDirectory, FavoritesFileName(tag)));
    return paths;
}

FavoritesFiles::FavoritesFiles(std::string startDirectory) {
    const std::vector<std::string> paths = FavoritesFilePaths(startDirectory);
    const char* tags[] = {"46", "47", "00"};
    for (size_t i = 0; i < Files.size(); ++i) {
        Files[i].Tag = tags[i];
        Files[i].Path = paths[i];
    }
}

std::vector<FileProblem> FavoritesFiles::Load(ServerRows& favorites, int sortColumn,
                                              bool ascending) {
    std::vector<FileProblem> problems;
    for (File& file : Files) {
        FileRead read = ReadRegularFile(file.Path, MaxFavoritesBytes);
        if (read.Status == ReadStatus::Missing) {
            file.Status = State::Absent;
            continue;
        }
        if (!read.Ok()) {
            file.Status = State::Failed;
            problems.push_back({file.Path, read.Status});
            continue;
        }
        std::vector<ServerStructure> rows = ReadFavoritesFile(read.Bytes, file.Tag);
        std::erase_if(rows, [&](const ServerStructure& row) {
            return favorites.FindFirst(row.IP, row.Port).has_value();
        });
        favorites.InsertSortedMany(std::move(rows), sortColumn, ascending);
        file.Status = State::Read;
        file.ReadBytes = std::move(read.Bytes);
    }
    return problems;
}

std::vector<std::string> FavoritesFiles::Save(const ServerRows& favorites) {
    const std::vector<ServerStructure> rows(favorites.begin(), favorites.end());
    std::vector<std::string> notSaved;
    for (File& file : Files) {
        file.Saved.reset();
        const bool holdsRows = std::any_of(rows.begin(), rows.end(), [&](const auto& row) {
            return FavoritesFileTag(row.Protocol) == file.Tag;
        });
        if (file.Status != State::Read && file.Status != State::Absent) {
            if (holdsRows)
                notSaved.push_back(file.Path);
            continue;
        }
        std::string bytes = FavoritesFileBytes(rows, file.Tag);
        if (!ReplaceFile(file.Path, bytes)) {
            notSaved.push_back(file.Path);
            continue;
        }
        file.Saved = std::move(bytes);
    }
    return notSaved;
}

void FavoritesFiles::CopyToGames(const std::string& gamePath15, const std::string& gamePath16) {
    // Both games may share a folder: a file this close wrote there is no game's own.
    std::map<std::string, std::string> writtenNow;
    CopyToGame(Files[0], gamePath15, writtenNow);
    CopyToGame(Files[1], gamePath16, writtenNow);
}

void FavoritesFiles::CopyToGame(const File& file, const std::string& gamePath,
                                std::map<std::string, std::string>& writtenNow) {
    if (gamePath.empty() || !file.Saved)
        return;
    const std::string target = JoinPath(FolderOf(gamePath), "favsvrs.dat");
    const FileRead current = ReadRegularFile(target, MaxFavoritesBytes);
    if (current.Status != ReadStatus::Read && current.Status != ReadStatus::Missing)
        return; // what cannot be read cannot be kept
    if (current.Ok()) {
        if (current.Bytes == *file.Saved) {
            writtenNow[target] = current.Bytes;
            return;
        }
        const auto now = writtenNow.find(target);
        const bool ours = current.Bytes == file.ReadBytes ||
                          (now != writtenNow.end() && now->second == current.Bytes);
        if (!ours && !ReplaceFile(target + ".bak", current.Bytes))
            return;
    }
    if (ReplaceFile(target, *file.Saved))
        writtenNow[target] = *file.Saved;
}

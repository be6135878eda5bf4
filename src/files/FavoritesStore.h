#pragma once

#include "ServerRows.h"

#include <string>
#include <string_view>
#include <vector>

// The favorites on disk: favorite46.dat, favorite47.dat and favorite00.dat in the start
// folder, and the games' own favsvrs.dat. Paths here are the system's own (NativePath).

// Reads a favorites file (ours or a game's favsvrs.dat) into `favorites`: every valid block
// whose address and port the list does not hold yet goes in, tagged `tag`, at its place in
// the list's sort order, as if inserted one after the other. False when the file cannot
// be read; the list is then unchanged.
bool LoadFavoritesFile(const std::string& path, std::string_view tag, ServerRows& favorites,
                       int sortColumn, bool ascending);

// The three files of the start folder, in the order they are read and written.
std::vector<std::string> FavoritesFilePaths(const std::string& startDirectory);

// Writes the three files from the list, each replaced whole (a crash or a full disk leaves
// the old file). Returns the paths that could not be written; the others are written all
// the same.
std::vector<std::string> SaveFavoritesFiles(const std::string& startDirectory,
                                            const ServerRows& favorites);

// Copies favorite46.dat over the favsvrs.dat beside the CS 1.5 executable and
// favorite47.dat beside the CS 1.6 one, for each path that is set, each copy replacing
// the old file whole. A file named in `notWritten` is not copied (it holds the last run's
// favorites, not this run's). A failed copy is passed over.
void CopyFavoritesToGame(const std::string& startDirectory, const std::string& gamePath15,
                         const std::string& gamePath16,
                         const std::vector<std::string>& notWritten = {});

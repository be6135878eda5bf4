#pragma once

#include "FileMessages.h"
#include "FileRead.h"
#include "ServerRows.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The favorites on disk: favorite46.dat, favorite47.dat and favorite00.dat in the start
// folder, and the games' own favsvrs.dat. Paths here are the system's own (NativePath).

// Reads a favorites file (ours or a game's favsvrs.dat) into `favorites`: every valid block
// whose address and port the list does not hold yet goes in, tagged `tag`, at its place in
// the list's sort order, as if inserted one after the other. Anything but Read leaves the
// list unchanged.
ReadStatus LoadFavoritesFile(const std::string& path, std::string_view tag, ServerRows& favorites,
                             int sortColumn, bool ascending);

// The three files of the start folder, in the order they are read and written.
std::vector<std::string> FavoritesFilePaths(const std::string& startDirectory);

// The three favorites files of one run. A file is written at close only when its reading
// at start-up found it or found nothing there: a file that exists but could not be read
// (or was never read, because the start-up stopped before it) keeps its bytes, and is
// never copied over a game's file.
class FavoritesFiles {
public:
    explicit FavoritesFiles(std::string startDirectory);

    // Reads the three files into the list, 46, 47, 00, a missing one skipped. Returns the
    // files that exist but could not be read.
    std::vector<FileProblem> Load(ServerRows& favorites, int sortColumn, bool ascending);

    // Writes each file that may be written from the list, each replaced whole (a crash or
    // a full disk leaves the old file). Returns the paths not saved: those that failed, and
    // those that were not read while the list holds favorites of their tag (the run's new
    // favorites of that version are not kept).
    std::vector<std::string> Save(const ServerRows& favorites);

    // Puts the bytes just saved to favorite46.dat over the favsvrs.dat beside the CS 1.5
    // executable and those of favorite47.dat beside the CS 1.6 one, for each path that is
    // set. A file not saved in this run is not copied. A game file that differs both from
    // what this run writes and from what the program last wrote there (the bytes of our
    // file at start-up) holds favorites of the game's own: it is kept as favsvrs.dat.bak
    // first, and when that fails, or the game file cannot be read, it is left alone. A
    // failed copy is passed over.
    void CopyToGames(const std::string& gamePath15, const std::string& gamePath16);

private:
    enum class State { NotRead, Read, Absent, Failed };
    struct File {
        std::string Tag, Path;
        State Status = State::NotRead;
        std::optional<std::string> ReadBytes; // as found at start-up
        std::optional<std::string> Saved;     // as written at close
    };
    void CopyToGame(const File& file, const std::string& gamePath,
                    std::map<std::string, std::string>& writtenNow);
    std::array<File, 3> Files;
};

#include "PlayerNameStore.h"

#include "FileAccess.h"
#include "FileReplace.h"
#include "PlayerNameFile.h"

#include <optional>

std::string GameConfigPath(const std::string& gamePath) {
    return JoinPath(JoinPath(FolderOf(gamePath), "cstrike"), "config.cfg");
}

PlayerNameRead ReadPlayerNameOfGames(const std::string& gamePath15, const std::string& gamePath16) {
    PlayerNameRead result;
    std::string game;
    if (RegularFileExists(gamePath15))
        game = gamePath15;
    else if (RegularFileExists(gamePath16))
        game = gamePath16;
    else
        return result;
    result.ConfigPath = GameConfigPath(game);
    const FileRead read = ReadRegularFile(result.ConfigPath, MaxConfigBytes);
    result.Status = read.Status;
    if (read.Ok())
        result.Name = ReadPlayerName(read.Bytes);
    return result;
}

SetPlayerNameOutcome SetPlayerNameOfGames(std::string_view name, const std::string& gamePath15,
                                          const std::string& gamePath16) {
    SetPlayerNameOutcome outcome;
    if (name.empty()) {
        outcome.What = SetPlayerNameOutcome::Empty;
        return outcome;
    }
    if (!PlayerNameAllowed(name)) {
        outcome.What = SetPlayerNameOutcome::Refused;
        return outcome;
    }
    for (const std::string* game : {&gamePath15, &gamePath16}) {
        if (!RegularFileExists(*game))
            continue;
        const std::string config = GameConfigPath(*game);
        const FileRead read = ReadRegularFile(config, MaxConfigBytes);
        const std::optional<std::string> rewritten =
            read.Ok() ? RewritePlayerName(read.Bytes, name) : std::nullopt;
        if (!rewritten || !ReplaceFile(config, *rewritten)) {
            outcome.What = SetPlayerNameOutcome::Failed;
            outcome.FailedPath = config;
            outcome.FailedRead = read.Status;
            return outcome;
        }
    }
    return outcome;
}

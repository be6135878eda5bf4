#include "PlayerNameStore.h"

#include "FileAccess.h"
#include "FileReplace.h"
#include "PlayerNameFile.h"

#include <optional>

std::string GameConfigPath(const std::string& gamePath) {
    return JoinPath(JoinPath(FolderOf(gamePath), "cstrike"), "config.cfg");
}

std::string ReadPlayerNameOfGames(const std::string& gamePath15, const std::string& gamePath16) {
    std::string game;
    if (RegularFileExists(gamePath15))
        game = gamePath15;
    else if (RegularFileExists(gamePath16))
        game = gamePath16;
    else
        return {};
    const std::optional<std::string> bytes = ReadFileBytes(GameConfigPath(game));
    return bytes ? ReadPlayerName(*bytes) : std::string();
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
        const std::optional<std::string> bytes = ReadFileBytes(config);
        const std::optional<std::string> rewritten =
            bytes ? RewritePlayerName(*bytes, name) : std::nullopt;
        if (!rewritten || !ReplaceFile(config, *rewritten)) {
            outcome.What = SetPlayerNameOutcome::Failed;
            outcome.FailedPath = config;
            return outcome;
        }
    }
    return outcome;
}

#pragma once

#include "FileRead.h"

#include <string>
#include <vector>

// The texts (GBK) that tell the user about a file the program could not read or write.
// Paths are the system's own (NativePath); each text names every file it is about.

// A file that exists but was not read, and why.
struct FileProblem {
    std::string Path;
    ReadStatus Status = ReadStatus::Unreadable;
    bool operator==(const FileProblem&) const = default;
};

// Why a read failed, in a few words.
std::string ReadFailureReason(ReadStatus status);

// One file that could not be read: its path and the reason.
std::string CannotReadMessage(const FileProblem& problem);

// Favorites files that exist but could not be read at start-up; they are left as they are.
std::string FavoritesNotReadMessage(const std::vector<FileProblem>& problems);

// Every file the close could not save, grouped by folder.
std::string FilesNotSavedMessage(const std::vector<std::string>& paths);

// A start folder where no settings or favorites can be kept.
std::string FolderNotWritableMessage(const std::string& folder);

// A player name or a path holding characters that GBK text cannot hold.
std::string NameNotGbkMessage();
std::string PathNotGbkMessage(const std::string& path);

#pragma once

#include <cstddef>
#include <string>

// How a bounded read of a file ended; every failure but Missing means a file is there that
// must not be replaced by one that never saw its bytes.
enum class ReadStatus {
    Read,       // the whole file is in Bytes
    Missing,    // nothing at the path (a dangling link included)
    NotRegular, // a folder, a pipe, a device or a socket
    TooBig,     // larger than the format it holds can be
    Unreadable, // permissions, a read error, a file locked by another program
};

struct FileRead {
    ReadStatus Status = ReadStatus::Missing;
    std::string Bytes; // only with Read
    bool Ok() const { return Status == ReadStatus::Read; }
};

// Reads a regular file of at most `limit` bytes. Never waits on the file: the open does not
// block (a pipe without a writer, a device), and a file that is not regular is refused
// before any byte is read, so a link to /dev/zero or a pipe is a failure, not a hang.
FileRead ReadRegularFile(const std::string& path, size_t limit);

// True when the folder takes new files from this process (a file is replaced through a new
// one beside it), false for a read-only or missing folder.
bool FolderTakesNewFiles(const std::string& folder);

#pragma once

#include <string>
#include <string_view>
#include <vector>

// Starts programs without waiting for them: the file directly, never through a shell
// (no /bin/sh, no cmd.exe), so nothing in the parameters is ever run as a command.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts `file` with `parameters` in `workingDirectory` and returns at once; false
    // when the program could not be started (it never waits for the program to end).
    virtual bool Start(const std::string& file, const std::string& parameters,
                       const std::string& workingDirectory) = 0;
    // True when Start has what it needs for `file`: a regular file of a kind this system
    // runs (and its loader, for a Windows program). Asked before a join changes anything.
    virtual bool CanStart(const std::string& file) const = 0;
};

// The parameter text as program arguments: split at blanks and tabs, empty pieces dropped.
std::vector<std::string> SplitParameters(std::string_view parameters);

// What a program file is, by its first bytes (not its name or its mode bits).
enum class ProgramKind {
    Native,  // an ELF binary or a script starting with "#!"
    Windows, // "MZ": a Windows executable
    Other,   // anything else, or a file that cannot be read
};
ProgramKind KindOfProgram(const std::string& file);

// The arguments (program first) that start `file` here: a native program itself, when it
// is executable; `wine` and the file for a Windows program, whatever its mode bits, while
// `winePath` (wine's full path) is known; nothing when it cannot be started. On Windows a
// Windows program is itself and `winePath` is not asked.
std::vector<std::string> LaunchArguments(const std::string& file, const std::string& parameters,
                                         const std::string& winePath);

// The full path of an executable `name` found on PATH; empty when there is none.
std::string FindOnPath(std::string_view name);

// The Windows command line that hands `program` exactly `arguments` (the program's own
// name first, quoted whole), as CommandLineToArgvW and the C runtime read it back: blanks,
// quotes, backslashes before quotes and at the end, and empty arguments survive intact.
std::wstring WindowsCommandLine(const std::wstring& program,
                                const std::vector<std::wstring>& arguments);

// The Linux launcher: fork and exec (twice, so the program is never left as a zombie of
// ours), the parameters split into arguments, the child in a session of its own with no
// descriptor of ours open. A Windows program runs through wine when wine is on PATH.
#ifndef _WIN32
class PosixLauncher : public ProcessLauncher {
public:
    bool Start(const std::string& file, const std::string& parameters,
               const std::string& workingDirectory) override;
    bool CanStart(const std::string& file) const override;
};
#else
// The Windows launcher: CreateProcessW with the file as the program, the parameters split
// into arguments and quoted into one command line, the game's folder as its working
// folder, and none of our handles inherited. Paths and parameters are GBK text, widened
// with code page 936 whatever the machine's own code page is.
class WindowsLauncher : public ProcessLauncher {
public:
    bool Start(const std::string& file, const std::string& parameters,
               const std::string& workingDirectory) override;
    // An existing regular file whose name ends in ".exe" or whose first bytes are "MZ".
    bool CanStart(const std::string& file) const override;
};

// Starts `file` with exactly `arguments` (GBK texts, each one argument as the program's
// CommandLineToArgvW reads it) in `workingDirectory` (empty: ours); false when it did not
// start. The launcher's own step after splitting the parameters.
bool StartWindowsProgram(const std::string& file, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory);
#endif

// The process-wide system launcher.
ProcessLauncher& SystemLauncher();

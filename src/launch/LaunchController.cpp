#include "LaunchController.h"

#include "AnswerRecord.h"

#include "FavoritesFile.h"
#include "FileAccess.h"
#include "Gbk.h"
#include "MessageTable.h"
#include "SteamLaunch.h"

#include <exception>
#include <filesystem>

namespace {

// The game reads its command line in the system's encoding, as the system reads paths.
std::string NativeText(const std::string& gbk) {
    return NativePath(gbk);
}

} // namespace

std::string GameParameters(const std::string& parameters, const ServerStructure& row,
                           const std::string& password) {
    std::string text = parameters + " +connect " + row.IP + ":" + row.Port;
    if (!password.empty())
        text += " +password " + password;
    return text;
}

std::string ProgramFolder(const std::string& path) {
    const size_t cut = path.find_last_of('/');
    if (cut == std::string::npos)
        return {};
    // The root keeps its one separator.
    return cut == 0 ? std::string("/") : path.substr(0, cut);
}

std::string ProgramFileName(const std::string& path) {
    const size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

bool PasswordFitsCommandLine(const std::string& password) {
    for (const char c : password) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f)
            return false;
    }
    return true;
}

const std::string& LaunchController::PasswordRefusedText() {
    static const std::string text = Utf8ToGbk(" 密码中不能含有空格或控制字符 ! ");
    return text;
}

std::string LaunchController::OtherGameText(const std::string& folder) {
    return Utf8ToGbk(" 该服务器运行的游戏不是 Counter-Strike ( ") + folder +
           Utf8ToGbk(" ) , 无法加入 ! ");
}

LaunchController::LaunchController(ProcessLauncher& launcher, const RunningProcesses& processes)
    : Launcher(launcher), Processes(processes) {}

void LaunchController::BitBtn_JoinClick(const std::optional<ServerStructure>& selected) {
    if (!selected) {
        Call(ShowMessage, MsgNoServerSelected, MsgNotice);
        return;
    }
    JoinSelectedServer(selected);
}

void LaunchController::JoinSelectedServer(const std::optional<ServerStructure>& selected) {
    if (!selected)
        return;
    const ServerStructure& row = *selected;
    if (!row.Alive) {
        Call(ShowMessage, MsgServerDown, MsgNotice);
        return;
    }
    // Asked before the password: such a server cannot be joined whatever is typed.
    if (!IsCounterStrikeFolder(row.GameFolder)) {
        if (AutoJoinRunning && AutoJoinRunning())
            Call(StopAutoJoin);
        Call(ShowText, OtherGameText(row.GameFolder), MsgNotice);
        return;
    }
    // Only equal texts count as full, as the list shows them.
    if (row.Players == row.MaxPlayers) {
        Call(ShowMessage, MsgServerFull, MsgNotice);
        return;
    }
    std::string password;
    if (row.Password != "0") {
        const std::optional<std::string> typed = AskPassword ? AskPassword() : std::nullopt;
        if (!typed) {
            if (AutoJoinRunning && AutoJoinRunning())
                Call(StopAutoJoin);
            return;
        }
        password = *typed;
    }
    LaunchGame(row, password);
}

LaunchResult LaunchController::LaunchGame(const ServerStructure& row, const std::string& password) {
    try {
        // The Counter-Strike paths start Counter-Strike only: another game's server would
        // get a game that cannot join it.
        if (!IsCounterStrikeFolder(row.GameFolder)) {
            Call(StopAutoJoin);
            Call(ShowText, OtherGameText(row.GameFolder), MsgNotice);
            return LaunchResult::Refused;
        }
        const LaunchSettings settings = Settings ? Settings() : LaunchSettings{};
        std::string file, parameters;
        if (row.Protocol == "46") {
            file = settings.PathCS15;
            parameters = settings.Parameter15;
        } else if (row.Protocol == "47") {
            file = settings.PathCS16;
            parameters = settings.Parameter16;
        }
        // The settings hold GBK text; the file system takes the system's own names.
        const std::string program = NativePath(file);
        const SteamPathKind steam =
            row.Protocol == "47" ? KindOfSteamPath(program) : SteamPathKind::None;
        // A Steam library's game folder may be named itself; anything else is a program.
        std::error_code ec;
        const bool present = steam == SteamPathKind::Library ? std::filesystem::exists(program, ec)
                                                             : RegularFileExists(program);
        if (file.empty() || !present) {
            Call(StopAutoJoin);
            Call(ShowMessage, MsgLocateExeFailed, MsgNotice);
            Call(OpenOptions);
            return LaunchResult::ExecutableMissing;
        }
        // The address and port come from a server's answer and become arguments of the
        // game: only a plain address and port may get there.
        if (!ValidateAddressPort(row.IP, row.Port)) {
            Call(StopAutoJoin);
            Call(ShowMessage, MsgExeRunFailed, MsgError);
            return LaunchResult::Refused;
        }
        // A blank would split the password into arguments of its own.
        if (!PasswordFitsCommandLine(password)) {
            Call(StopAutoJoin);
            Call(ShowText, PasswordRefusedText(), MsgNotice);
            return LaunchResult::Refused;
        }
        SteamCommand start{program, NativeText(GameParameters(parameters, row, password)),
                           ProgramFolder(program)};
        if (steam != SteamPathKind::None)
            start = SteamJoinCommand(program, row.IP + ":" + row.Port, NativeText(password),
                                     FindProgram ? FindProgram : FindOnPath);
        // Nothing of the scan, the refresh or the window changes for a game that cannot start;
        // for Steam that is the client or the desktop's opener actually started.
        if (start.Program.empty() || !Launcher.CanStart(start.Program)) {
            Call(StopAutoJoin);
            Call(ShowMessage, MsgExeRunFailed, MsgError);
            return LaunchResult::Failed;
        }
        PrepareLaunch();
        if (!Launcher.Start(start.Program, start.Parameters, start.WorkingDirectory)) {
            Call(ShowMessage, MsgExeRunFailed, MsgError);
            return LaunchResult::Failed;
        }
        return LaunchResult::Started;
    } catch (const std::exception&) {
        Call(ShowMessage, MsgExeRunFailed, MsgError);
        return LaunchResult::Failed;
    }
}

void LaunchController::StartSideTool(const std::string& run, const std::string& path) {
    if (run != "1" || path.empty())
        return;
    const std::string program = NativePath(path);
    if (!ProcessNotRunning(ProgramFileName(program)))
        return;
    // A tool that does not start is not the join's concern; the game still starts.
    Launcher.Start(program, std::string(), ProgramFolder(program));
}

void LaunchController::PrepareLaunch() {
    const LaunchSettings settings = Settings ? Settings() : LaunchSettings{};
    StartSideTool(settings.RunCD, settings.PathCD);
    StartSideTool(settings.RunOther, settings.PathOther);
    Call(StopAutoJoin);
    Call(StopIconBlink);
    if (settings.PauseSearching == "1" && ScanRunning && ScanRunning())
        Call(PauseScan);
    if (settings.StopRefreshing == "1" && AutoRefreshOn && AutoRefreshOn())
        Call(StopAutoRefresh);
    if (settings.Minimize == "1")
        Call(MinimizeToTray);
}

bool LaunchController::ProcessNotRunning(const std::string& name) const {
    return !Processes.Running(name);
}

#include "FileMessages.h"

#include "FileAccess.h"
#include "Gbk.h"

#include <utility>

namespace {

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

std::string ReadFailureReason(ReadStatus status) {
    switch (status) {
    case ReadStatus::Read:
        return {};
    case ReadStatus::Missing:
        return G("文件不存在");
    case ReadStatus::NotRegular:
        return G("不是普通文件");
    case ReadStatus::TooBig:
        return G("文件过大");
    case ReadStatus::Unreadable:
        break;
    }
    return G("没有读取权限或读取出错");
}

std::string CannotReadMessage(const FileProblem& problem) {
    return G(" 无法读取文件 : ") + Utf8ToGbk(problem.Path) + " ( " +
           ReadFailureReason(problem.Status) + " ) ! ";
}

std::string FavoritesNotReadMessage(const std::vector<FileProblem>& problems) {
    std::string text = G(" 无法读取收藏文件 : ");
    for (size_t i = 0; i < problems.size(); ++i) {
        if (i)
            text += " , ";
        text += Utf8ToGbk(problems[i].Path) + " ( " + ReadFailureReason(problems[i].Status) + " )";
    }
    return text + G(" ! 退出时不会改写这些文件 . ");
}

std::string FilesNotSavedMessage(const std::vector<std::string>& paths) {
    // Folders in the order they first appear, each with its file names.
    std::vector<std::pair<std::string, std::string>> folders;
    for (const std::string& path : paths) {
        const std::string folder = FolderOf(path);
        auto it = folders.begin();
        while (it != folders.end() && it->first != folder)
            ++it;
        if (it == folders.end()) {
            folders.emplace_back(folder, Utf8ToGbk(FileName(path)));
            continue;
        }
        it->second += " , " + Utf8ToGbk(FileName(path));
    }
    std::string text = G(" 以下文件没有保存 : ");
    for (size_t i = 0; i < folders.size(); ++i) {
        if (i)
            text += " ; ";
        text += folders[i].second + G(" ( 文件夹 ") + Utf8ToGbk(folders[i].first) + " )";
    }
    return text + " ! ";
}

std::string FolderNotWritableMessage(const std::string& folder) {
    return G(" 无法在文件夹 ") + Utf8ToGbk(folder) +
           G(" 中保存设置和收藏 , 本次运行中的更改不会被保留 ! ");
}

std::string NameNotGbkMessage() {
    return G(" ID 含有 GBK 编码无法表示的字符 , 无法写入游戏配置 ! ");
}

std::string PathNotGbkMessage(const std::string& path) {
    return G(" 路径含有 GBK 编码无法表示的字符 , 无法保存 : ") + Utf8ToGbk(path) + " ! ";
}

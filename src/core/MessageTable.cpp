#include "MessageTable.h"

#include "Gbk.h"

namespace {

// UTF-8 here; the table holds GBK. Leading and trailing blanks belong to the texts.
constexpr const char* Utf8Texts[MessageTable::Count] = {
    "注意",
    "错误",
    "警告",
    " 无效的 IP 地址 ! ",
    " 无法读取您的 ID ! 您无法在此处修改您的 ID !",
    " 无效的端口 ! ",
    " 线程创建失败 ! ",
    " 搜索时间间隔格式错误 ! ",
    " 搜索时间间隔过小，无法执行  ! ",
    " 时间间隔格式错误 ! ",
    " 无法创建文本文件 ! ",
    " 无法打开我的收藏服务器列表文件 ! ",
    " 该服务器有空间允许加入 , 确认加入么 ? ",
    " 定位到 CS 可执行文件错误 ! 您必须重新正确指定 CS 可执行文件的路径 ! ",
    " CS 可执行文件运行错误 ! ",
    " 当前服务器关闭 ! 无法加入 ! ",
    " 服务器已达人数上限 ! 无法加入 ! ",
    " 您没有选择任何服务器 ! ",
    " 无法打开服务器列表文件 ! 请检查该文件是否格式有误 ! ",
    " 文件中含有无效格式的 IP 地址或者端口 , 请用第三方编辑工具打开检查 ! ",
    " 无法找到帮助文件 ! ",
    " 无法读取您的 ID ! 您无法在此处修改您的 ID !",
    " 可能第一次运行本程序 , 自动创建我的收藏服务器列表文件 !",
    " ID 不允许为空 ! ",
};

} // namespace

MessageTable::MessageTable() {
    for (int i = 0; i < Count; ++i)
        Texts[static_cast<size_t>(i)] = Utf8ToGbk(Utf8Texts[i]);
}

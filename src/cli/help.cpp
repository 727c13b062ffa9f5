// The help texts of the command line program.

#include <string>

#include "cli/cli.h"
#include "platform/platform.h"

namespace kdx::cli {

namespace {

std::string KindsHelp() {
    std::string text = "  -k, --kinds 种类          要修改的时间：c 创建时间，m 修改时间，a 访问时间，如 m,a。\n";
    if (sys().canSetCreationTime())
        text += "                            默认 c,m,a\n";
    else
        text += "                            默认 m,a：本系统不能修改创建时间，写 c 是用法错误\n";
    return text;
}

std::string WriteHelp() {
    return KindsHelp() + "  -n, --dry-run             只显示将要做的修改，不修改任何文件\n"
                         "  -v, --verbose             显示做了的每一项修改\n"
                         "      --no-journal          不记入撤销日志（无法写日志时命令不做任何修改，退出状态为 2）\n"
                         "  修改以一行一项显示：路径、种类（c/m/a）、原时间、新时间，以 TAB 分隔。\n";
}

constexpr const char* kPathHelp = "路径选项（路径是目录时扫描其中与过滤器相符的文件，是文件时按过滤器筛选）：\n"
                                  "      --filter 过滤器       如 \"*.jpg;*.png\"，默认 \"*.*\"\n"
                                  "  -r, --recursive           包括子目录（\"含子目录\"）\n"
                                  "      --include-folders     目录本身也列入（\"包括路径\"）\n"
                                  "      --only-folders        只要目录，不要文件（\"仅路径\"）\n";

constexpr const char* kNameHelp =
    "      --name-start N        从文件名的第 N 个字符起查找文件名时间（默认 1；--start 同）\n"
    "      --no-wechat           不解析微信导出文件的时间戳\n";

constexpr const char* kNameListHelp =
    "      --files-from 文件     再从文件读取路径，一行一个（- 为标准输入）；可多次使用\n"
    "  -0, --null                文件中的路径以 NUL 分隔（如 find -print0）；输出的每个字段\n"
    "                            以 NUL 结尾，路径原样输出，没有表头\n";

constexpr const char* kJsonHelp =
    "      --json                每项输出一行 JSON（JSON Lines），路径原样，时间带 ISO 8601 形式\n";

constexpr const char* kNullOutputHelp =
    "  -0, --null                输出的每个字段以 NUL 结尾，路径原样输出，没有表头\n";

constexpr const char* kJobsHelp = "  -j, --jobs N              同时读取文件的线程数（默认为处理器核数）\n";

constexpr const char* kSnapshotHelp = "  -s, --snapshot 快照.kdx   处理快照中的各项，而不是路径\n";

constexpr const char* kExitHelp = "退出状态：0 全部完成；1 有路径失败（失败的路径及原因列在标准错误上）；\n"
                                  "2 用法错误或输入无法读取（不修改任何文件）。\n";

} // namespace

std::string ProgramHelp() {
    return "用法：kairodex-cli 命令 [选项] 参数...\n"
           "\n"
           "查看和修改文件与目录的创建时间、修改时间、访问时间，读取照片的拍摄时间和文件名中的时间，\n"
           "移动和同步时间，保存和读取快照文件。\n"
           "\n"
           "命令：\n"
           "  list            列出文件和目录的五种时间，或保存为快照\n"
           "  show            显示快照文件中的列表\n"
           "  replace         替换快照中每个路径里的一段文字\n"
           "  photo-time      读取照片的拍摄时间\n"
           "  name-time       读取文件名中的时间\n"
           "  set             把时间设为指定的时间或某一来源的时间\n"
           "  shift           把时间加上或减去一段时长\n"
           "  sync-pairs      按序号把快照 A 中文件的时间同步为快照 B 中对应文件的时间\n"
           "  sync-dir        把目标目录树的时间同步为来源目录树中同名项的时间\n"
           "  rename-wechat   按时间戳重命名微信导出的文件\n"
           "  undo            撤销修改过文件的命令（按撤销日志恢复时间和文件名）\n"
           "\n"
           "  kairodex-cli 命令 --help    显示命令的用法\n"
           "  kairodex-cli --version      显示版本\n"
           "\n"
           "时间写作 \"yyyy-mm-dd hh:nn:ss\"（本地时间），也可以写 ISO 8601（2020-10-31T18:18:18，\n"
           "带时区如 2020-10-31T10:18:18Z 或 +08:00 时换算为本地时间）或 @秒数（自 1970 年起，UTC）。\n"
           "修改文件的命令都可以加 --dry-run：只显示将要做的修改，不修改任何文件。\n"
           "\n"
           "供脚本使用：--files-from 从文件或管道读取路径（-0 以 NUL 分隔），--json 输出 JSON Lines，\n"
           "-0 输出以 NUL 分隔的字段（与 --json 同用时 -0 只用于 --files-from 的输入）；\n"
           "快照文件名写 - 时读标准输入，--save - 写到标准输出。\n"
           "文字输出中，含控制字符的路径转义显示（\\t、\\n、\\\\、\\xHH），一项总是一行。\n"
           "单字母选项可以连写（-rn），长选项可以只写不致混淆的开头（--dry）。\n"
           "输出到控制台时按字符显示，不改变控制台的代码页；重定向到文件或管道时为 UTF-8 文本。\n"
           "\n" +
           std::string(kExitHelp);
}

std::string CommandHelp(std::string_view command) {
    if (command == "list")
        return std::string("用法：kairodex-cli list [选项] 路径...\n"
                           "\n"
                           "像窗口的\"添加\"一样加入路径（去掉重复，按名称排序），读取每一项的创建、修改、访问时间、\n"
                           "拍摄时间和文件名时间，以窗口\"复制内容\"的格式输出：表头一行，之后每项一行，\n"
                           "七个字段以 TAB 分隔（序号、名称、五种时间；没有拍摄时间或文件名时间时该字段为空）。\n"
                           "\n") +
               kPathHelp + kNameHelp + kJobsHelp + kNameListHelp + kJsonHelp +
               "  -o, --save 快照.kdx       不输出文本，把列表保存为快照文件（- 为标准输出）\n"
               "      --force               已有的文件不是快照时也替换它（否则拒绝保存）\n"
               "\n" +
               kExitHelp;
    if (command == "show")
        return std::string("用法：kairodex-cli show 快照.kdx\n"
                           "\n"
                           "以 list 的格式输出快照中的列表：快照里保存的时间，不重新读取文件。\n"
                           "快照写 - 时从标准输入读取。快照无法读取时退出状态为 2。\n"
                           "\n") +
               kJsonHelp + kNullOutputHelp;
    if (command == "replace")
        return "用法：kairodex-cli replace [--save 新快照.kdx] 查找 替换为 快照.kdx\n"
               "\n"
               "把快照中每个路径里出现的\"查找\"文字（不区分大小写）都换成\"替换为\"，例如文件搬到另一个\n"
               "盘或目录之后。只改列表中的路径，不改动任何文件。\n"
               "\n"
               "  -o, --save 快照.kdx       保存为快照文件（可以是原文件；- 为标准输出）；不写时以 list 的格式输出\n"
               "      --force               已有的文件不是快照时也替换它（否则拒绝保存）\n" +
               std::string(kJsonHelp) + kNullOutputHelp;
    if (command == "photo-time")
        return std::string(
                   "用法：kairodex-cli photo-time [选项] (文件|目录)...\n"
                   "\n"
                   "每个文件输出一行：拍摄时间（没有时为空）、TAB、路径，顺序与参数相同。读取照片（JPEG、TIFF、\n"
                   "相机 RAW、HEIC/HEIF/AVIF、PNG、WebP）EXIF 中的拍摄时间，和视频（MOV、MP4、M4V、3GP、3G2）\n"
                   "的录制时间。给出路径选项时像 list 一样处理路径：扫描目录，按过滤器筛选，去掉重复并排序。\n"
                   "\n") +
               kJobsHelp + kNameListHelp + kJsonHelp + kPathHelp + "\n" + kExitHelp;
    if (command == "name-time")
        return "用法：kairodex-cli name-time [选项] 名称...\n"
               "\n"
               "每个名称输出一行：文件名中的时间、TAB、微信导出文件改名后的路径（不适用时为空）、TAB、名称。\n"
               "名称不必是存在的文件，不读取也不修改任何文件；给出路径选项时像 list 一样处理路径\n"
               "（扫描目录，按过滤器筛选，去掉重复并排序），这时名称必须存在。\n"
               "\n"
               "      --start N             从文件名的第 N 个字符起查找数字（默认 1；--name-start 同）\n"
               "      --no-wechat           不解析微信时间戳（13 位毫秒数）\n" +
               std::string(kNameListHelp) + kJsonHelp + kPathHelp;
    if (command == "set")
        return "用法：kairodex-cli set [选项] (--to 时间 | --from 来源 | --reference 文件)\n"
               "                         (路径... | --snapshot 快照.kdx)\n"
               "\n"
               "把每一项的时间设为：\n"
               "  -t, --to \"yyyy-mm-dd hh:nn:ss\"\n"
               "                            指定的时间（只写日期为当天 0 点）；也可写 2020-10-31T18:18:18、\n"
               "                            带时区的 2020-10-31T10:18:18Z、2020-10-31T18:18:18+08:00\n"
               "                            （换算为本地时间）或 @1604139498（自 1970 年起的秒数，UTC）\n"
               "      --date-only           只改日期，保留原来的时分秒\n"
               "      --time-only           只改时分秒，保留原来的日期（--to 可以只写 hh:nn:ss，\n"
               "                            不能只写日期）\n"
               "      --reference 文件      该文件自己的时间，各种类取各自的（如 touch -r）\n"
               "  -f, --from 来源           每一项自己的某个时间：\n"
               "                              create    文件的创建时间\n"
               "                              modify    文件的修改时间\n"
               "                              access    文件的访问时间\n"
               "                              snapshot  快照中保存的时间，各种类取各自的（需 --snapshot）\n"
               "                              earliest  文件各时间中最早的\n"
               "                              latest    文件各时间中最新的\n"
               "                              photo     照片的拍摄时间\n"
               "                              filename  文件名中的时间\n"
               "      --no-photo-in-compare earliest 和 latest 不考虑拍摄时间和文件名时间\n"
               "没有所需时间的项（例如 photo 遇到不是照片的文件）跳过，不算失败。\n"
               "\n" +
               WriteHelp() + kJsonHelp + kSnapshotHelp + kPathHelp + kNameHelp + kJobsHelp + kNameListHelp + "\n" +
               kExitHelp;
    if (command == "shift")
        return "用法：kairodex-cli shift [选项] (路径... | --snapshot 快照.kdx)\n"
               "\n"
               "把每个文件自己的时间加上（或减去）一段时长：依次加秒、分、时、日、月、年；目标月份没有\n"
               "那一天时取该月最后一天（例如 2021-03-31 减 1 个月为 2021-02-28）。\n"
               "\n"
               "      --subtract            减去（默认加上）\n"
               "      --years Y             年数（0 至 10000）\n"
               "      --months M            月数（0 至 10000）\n"
               "      --days D              日数（0 至 10000）\n"
               "      --time [+|-]h[:mm[:ss]]\n"
               "                            时、分、秒（时 0-23），如 8、01:30:00；- 号表示减去，同 --subtract\n"
               "      --hours H, --minutes M, --seconds S\n"
               "                            时数、分数、秒数（0 至 1000000000），不能与 --time 同用\n" +
               WriteHelp() + kJsonHelp + kSnapshotHelp + kPathHelp + kJobsHelp + kNameListHelp + "\n" + kExitHelp;
    if (command == "sync-pairs")
        return "用法：kairodex-cli sync-pairs [选项] A.kdx B.kdx\n"
               "\n"
               "按序号配对两个快照中的项：A 的第 1 项对 B 的第 1 项，依此类推，较长一方多出的项不处理。\n"
               "比较两个文件现在的时间（精确到秒），时间不同的一对把 B 文件的时间写到 A 文件上。\n"
               "\n"
               "      --compare             只比较：每个时间不同的对输出一行（序号、A 路径、B 路径，TAB 分隔），\n"
               "                            不修改任何文件；这时 --kinds 可以含 c\n"
               "      --selected            只同步在快照中被选中的对（窗口的\"同步选中\"）\n" +
               WriteHelp() + kJsonHelp + kNullOutputHelp + "快照写 - 时从标准输入读取（只能一个）。\n\n" + kExitHelp;
    if (command == "sync-dir")
        return "用法：kairodex-cli sync-dir [选项] 来源目录 目标目录\n"
               "\n"
               "目标目录树中的每个文件和目录，若来源目录树中有相对路径相同的项，就取那一项的时间；\n"
               "最后目标目录本身取来源目录的时间。只在一边有的项不处理，也不创建任何项。\n"
               "\n"
               "      --filter 过滤器       如 \"*.jpg;*.png\"，默认 \"*.*\"\n"
               "      --no-recursive        不包括子目录（\"含子目录\"）\n"
               "      --no-folders          目录本身不同步（\"包括路径\"）；两个根目录总是同步\n"
               "      --only-folders        只同步目录，不同步文件（\"仅路径\"）\n" +
               WriteHelp() + kJsonHelp + kNullOutputHelp +
               "\n"
               "目录不存在或两个目录相同时，在标准错误上显示\"指定的目录不存在！\"或\"源目录和目标目录相同！\"，\n"
               "不做任何修改，退出状态为 2。\n" +
               kExitHelp;
    if (command == "rename-wechat")
        return std::string("用法：kairodex-cli rename-wechat [选项] (路径... | --snapshot 快照.kdx)\n"
                           "\n"
                           "把文件名中含微信时间戳（13 位毫秒数）的文件改名为 mmexport_yyyymmdd_hhnnss 加原扩展名，\n"
                           "例如 mmexport1604139498000.jpg 改为 mmexport_20201031_181818.jpg。不覆盖已有的文件，\n"
                           "目录不改名。\n"
                           "\n"
                           "  -n, --dry-run             只显示将要做的改名（原路径、TAB、新路径），不改名\n"
                           "  -v, --verbose             显示做了的每一个改名\n"
                           "      --no-journal          不记入撤销日志\n"
                           "      --start N             从文件名的第 N 个字符起查找数字（默认 1；--name-start 同）\n"
                           "  -o, --save 快照.kdx       把 --snapshot 的列表以改名后的路径另存（- 为标准输出）\n"
                           "      --force               已有的文件不是快照时也替换它（否则拒绝保存）\n") +
               kJsonHelp + kSnapshotHelp + kPathHelp + kNameListHelp + "\n" + kExitHelp;
    if (command == "undo")
        return std::string(
                   "用法：kairodex-cli undo [选项] [编号]\n"
                   "\n"
                   "撤销最近一个尚未撤销的、修改过文件的命令（或指定编号的命令）：每个时间恢复为原值（精确到\n"
                   "纳秒），每个改名改回原名（不覆盖已有的文件）。此后又被修改过的项不恢复，并列在标准错误上。\n"
                   "撤销本身也记入日志，撤销它的编号即可重做。窗口程序和命令行的修改都记在同一个撤销日志中：\n"
                   "Linux 上为 $XDG_STATE_HOME/kairodex/journal（默认 ~/.local/state/kairodex/journal），\n"
                   "Windows 上为 %LOCALAPPDATA%\\Kairodex\\journal；环境变量 KAIRODEX_JOURNAL 可指定其他目录。\n"
                   "日志保留最近 200 个命令（至多 1 GiB）。\n"
                   "\n"
                   "  -l, --list                列出日志：编号、时间、命令、项数、状态，以 TAB 分隔\n"
                   "      --json                每项输出一行 JSON：--list 的每个命令（id、started、command、entries、\n"
                   "                            state 为 finished/unfinished/undone、undone_by），-v 和 --dry-run\n"
                   "                            的每项恢复，以及每个未恢复的项（error 为原因）\n"
                   "  -n, --dry-run             只显示将要做的恢复，不修改任何文件\n"
                   "  -v, --verbose             显示做了的每一项恢复\n"
                   "      --force               此后又被修改过的项也恢复\n"
                   "      --clear               清空撤销日志\n") +
               kNullOutputHelp + "\n" + kExitHelp;
    return {};
}

} // namespace kdx::cli

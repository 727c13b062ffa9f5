#include "gui/mainform.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/filelistview.h"
#include "gui/spinedit.h"

namespace kdx::gui {

namespace {

const QString kUndoHint = QStringLiteral("撤销上一次修改文件时间或文件名的操作 (Ctrl+Z)");

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& caption, bool on, int x, int y, int w = 70) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(on);
    box->setGeometry(x, y, w, 20);
    return box;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, const QString& hint, int x, int y,
                    int w = 75, int h = 25) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(hint);
    b->setGeometry(x, y, w, h);
    return b;
}

QLabel* Label(QWidget* parent, const char* name, const QString& caption, int x, int y, int w = 60) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, 20);
    return l;
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(x, y, w, 21);
    return e;
}

QDateEdit* DatePicker(QWidget* parent, const char* name, int x, int y) {
    auto* d = new QDateEdit(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    d->setCalendarPopup(true);
    d->setMinimumDate(QDate(1, 1, 1));
    d->setMaximumDate(QDate(9999, 12, 31));
    d->setGeometry(x, y, 86, 21);
    return d;
}

QTimeEdit* TimePicker(QWidget* parent, const char* name, int x, int y) {
    auto* t = new QTimeEdit(parent);
    t->setObjectName(QString::fromLatin1(name));
    t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    t->setGeometry(x, y, 81, 21);
    return t;
}

// A picture for a tool button from the style, by position.
QIcon ToolIcon(int position) {
    static const QStyle::StandardPixmap kPictures[] = {QStyle::SP_FileDialogNewFolder,
                                                       QStyle::SP_DialogCancelButton,
                                                       QStyle::SP_TrashIcon,
                                                       QStyle::SP_ArrowUp,
                                                       QStyle::SP_ArrowDown,
                                                       QStyle::SP_DialogYesButton,
                                                       QStyle::SP_BrowserReload,
                                                       QStyle::SP_DialogSaveButton,
                                                       QStyle::SP_DialogOpenButton,
                                                       QStyle::SP_FileDialogDetailedView,
                                                       QStyle::SP_FileDialogContentsView};
    return QApplication::style()->standardIcon(kPictures[position]);
}

} // namespace

void MainForm::setupForm(QMainWindow* window, TSysImageList* icons) {
    m_window = window;
    window->setObjectName(QStringLiteral("frmMain"));
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    font.setPixelSize(12);
    window->setFont(font);
    window->setMinimumSize(layout::MinWidth, layout::MinHeight);
    window->resize(layout::InitialWidth, layout::InitialHeight);

    buildLists(icons);

    Panel3 = new QWidget(window);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setFixedHeight(layout::BottomHeight);
    auto* bottom = new QVBoxLayout(Panel3);
    bottom->setContentsMargins(0, 0, 0, 0);
    pc = new QTabWidget(Panel3);
    pc->setObjectName(QStringLiteral("pc"));
    bottom->addWidget(pc);
    buildPageSetTimes();
    buildPageShift();
    buildPageSync();
    buildPageAbout();
    buildMenus();

    auto* central = new QWidget(window);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Splitter1, 1);
    column->addWidget(Panel3);
    window->setCentralWidget(central);
}

void MainForm::buildLists(TSysImageList* icons) {
    Splitter1 = new QSplitter(Qt::Horizontal, m_window);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(layout::SplitterWidth);
    Splitter1->setOpaqueResize(false); // drawn as a line while dragged
    Splitter1->setChildrenCollapsible(false);

    auto makePane = [this, icons](const char* panelName, const char* boxName, const QString& caption, bool isListA,
                                  QGroupBox*& box) {
        auto* panel = new QWidget(Splitter1);
        panel->setObjectName(QString::fromLatin1(panelName));
        panel->setMinimumWidth(10);
        auto* v = new QVBoxLayout(panel);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        box = new QGroupBox(caption, panel);
        box->setObjectName(QString::fromLatin1(boxName));
        box->setFixedHeight(57);
        auto* list = new FileListView(isListA, icons, panel);
        v->addWidget(box);
        v->addWidget(list, 1);
        Splitter1->addWidget(panel);
        return std::pair{panel, list};
    };
    std::tie(Panel1, lv1) = makePane("Panel1", "GroupBox1", QStringLiteral("文件和目录列表(A)"), true, GroupBox1);
    std::tie(Panel2, lv2) = makePane("Panel2", "GroupBox2", QStringLiteral("文件和目录列表(B)"), false, GroupBox2);
    buildToolBar(lv1, GroupBox1);
    buildToolBar(lv2, GroupBox2);
    Splitter1->setSizes({652, layout::InitialWidth - 652 - layout::SplitterWidth});
}

void MainForm::buildToolBar(FileListView* list, QGroupBox* box) {
    const bool a = list->isListA();
    auto* bar = new QToolBar(box);
    bar->setObjectName(a ? QStringLiteral("ToolBar1") : QStringLiteral("ToolBar2"));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->layout()->setSpacing(0);
    bar->layout()->setContentsMargins(0, 0, 0, 0);
    bar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(2, 0, 2, 0);
    v->addWidget(bar, 0, Qt::AlignLeft | Qt::AlignTop);
    struct ButtonDef {
        const char* nameA;
        const char* nameB;
        const char* caption;
        const char* hintA;
        const char* hintB;
    };
    static const ButtonDef kButtons[] = {
        {"tbAdd1", "tbAdd2", "添加", "添加文件(夹)", "添加文件(夹)"},
        {"tbDel1", "tbDel2", "移除选中", "移除选中的文件(夹)", "移除选中的文件(夹)"},
        {"tbDelAll1", "tbDelAll2", "移除全部", "移除全部文件(夹)", "移除全部文件(夹)"},
        {"tbMoveUP1", "tbMoveUp2", "上移", "上移", "上移"},
        {"tbMoveDown1", "tbMoveDown2", "下移", "下移", "下移"},
        {"tbSelectAll1", "tbSelectAll2", "全选", "", ""},
        {"tbInvertSelection1", "InvertSelection2", "反选", "", ""},
        {"tbSave1", "tbSave2", "保存快照", "保存文件(夹)列表快照", "保存文件(夹)列表快照"},
        {"tbImport1", "tbImport2", "导入快照", "导入文件(夹)快照列表", "导入文件(夹)快照列表"},
        {"tbReplace1", "tbReplace2", "替换", "替换名称路径", "替换名称路径"},
        {"tbCopyInfo1", "tbCopyInfo2", "复制内容", "复制内容到剪贴板", ""},
    };
    for (int i = 0; i < 11; ++i) {
        const ButtonDef& s = kButtons[i];
        auto* b = new QToolButton(bar);
        b->setObjectName(QString::fromLatin1(a ? s.nameA : s.nameB));
        b->setText(QString::fromUtf8(s.caption));
        b->setToolTip(QString::fromUtf8(a ? s.hintA : s.hintB));
        b->setIcon(ToolIcon(i));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFixedSize(55, 35);
        bar->addWidget(b);
        toolButtons[a ? 0 : 1][static_cast<size_t>(i)] = b;
    }
}

void MainForm::buildPageSetTimes() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet1"));
    pc->addTab(page, QStringLiteral("设置时间"));

    cbCreate1 = CheckBox(page, "cbCreate1", QStringLiteral("创建时间"), true, 4, 22);
    cbCreate1->setToolTip(QStringLiteral("是否修改创建时间"));
    cbWrite1 = CheckBox(page, "cbWrite1", QStringLiteral("修改时间"), true, 4, 52);
    cbWrite1->setToolTip(QStringLiteral("是否修改修改时间"));
    cbAccess1 = CheckBox(page, "cbAccess1", QStringLiteral("访问时间"), true, 4, 82);
    cbAccess1->setToolTip(QStringLiteral("是否修改访问时间"));

    GroupBox5 = new QGroupBox(page);
    GroupBox5->setObjectName(QStringLiteral("GroupBox5"));
    GroupBox5->setGeometry(77, 2, 251, 112);
    rbDefineTime = new QRadioButton(QStringLiteral("指定时间"), GroupBox5);
    rbDefineTime->setObjectName(QStringLiteral("rbDefineTime"));
    rbDefineTime->setAutoExclusive(false);
    rbDefineTime->setChecked(true);
    rbDefineTime->setGeometry(8, 0, 80, 18);
    QCheckBox** dateBoxes[] = {&cbDate1, &cbDate2, &cbDate3};
    QCheckBox** timeBoxes[] = {&cbTime1, &cbTime2, &cbTime3};
    QDateEdit** dates[] = {&DTP1Date, &DTP2Date, &DTP3Date};
    QTimeEdit** times[] = {&DTP1Time, &DTP2Time, &DTP3Time};
    for (int i = 0; i < 3; ++i) {
        const int y = 20 + 30 * i;
        const QByteArray n = QByteArray::number(i + 1);
        *dateBoxes[i] = CheckBox(GroupBox5, ("cbDate" + n).constData(), QString(), true, 8, y, 18);
        (*dateBoxes[i])->setToolTip(QStringLiteral("是否修改日期"));
        *dates[i] = DatePicker(GroupBox5, ("DTP" + n + "Date").constData(), 28, y);
        *timeBoxes[i] = CheckBox(GroupBox5, ("cbTime" + n).constData(), QString(), true, 122, y, 18);
        (*timeBoxes[i])->setToolTip(QStringLiteral("是否修改时间"));
        *times[i] = TimePicker(GroupBox5, ("DTP" + n + "Time").constData(), 142, y);
    }

    rgTime = new QGroupBox(page);
    rgTime->setObjectName(QStringLiteral("rgTime"));
    rgTime->setGeometry(342, 2, 188, 112);
    rgTime->setToolTip(QStringLiteral("把文件的创建时间、修改时间或访问时间统一重置为原文件的某一时间或快照时间"));
    rbAllToTime = new QRadioButton(QStringLiteral("重置为"), rgTime);
    rbAllToTime->setObjectName(QStringLiteral("rbAllToTime"));
    rbAllToTime->setAutoExclusive(false);
    rbAllToTime->setToolTip(QStringLiteral("把文件的创建时间、修改时间或访问时间统一重置为原文件的某一时间"));
    rbAllToTime->setGeometry(8, 0, 70, 18);
    rgTimeItems = new QButtonGroup(rgTime);
    rgTimeItems->setObjectName(QStringLiteral("rgTimeItems"));
    rgTimeItems->setExclusive(true);
    static const char* const kSources[] = {"A创建时间", "B修改时间", "C访问时间", "D快照时间",
                                           "E最早时间", "F最新时间", "G拍摄时间", "H文件名时间"};
    for (int i = 0; i < 8; ++i) {
        auto* item = new QRadioButton(QString::fromUtf8(kSources[i]), rgTime);
        item->setObjectName(QStringLiteral("rgTimeItem%1").arg(i));
        item->setGeometry(8 + (i % 2) * 90, 20 + (i / 2) * 22, 88, 20);
        rgTimeItems->addButton(item, i);
    }
    rgTimeItems->button(1)->setChecked(true);

    GroupBox6 = new QGroupBox(QStringLiteral("选项"), page);
    GroupBox6->setObjectName(QStringLiteral("GroupBox6"));
    GroupBox6->setGeometry(542, 2, 294, 112);
    auto* label9 = Label(GroupBox6, "Label9", QStringLiteral("文件名时间起算位置："), 8, 16, 130);
    edFileNameTimeFrom = Edit(GroupBox6, "edFileNameTimeFrom", QStringLiteral("1"), 138, 16, 40);
    const QString startHint = QStringLiteral("通过指定文件名位置可以跳过文件名包含数字但不代表文件拍摄时间的字符");
    label9->setToolTip(startHint);
    edFileNameTimeFrom->setToolTip(startHint);
    cbWeiXin = CheckBox(GroupBox6, "cbWeiXin", QStringLiteral("解析微信导出文件时间"), true, 8, 40, 160);
    cbWeiXin->setToolTip(QStringLiteral("是否解析微信导出图片视频时间戳(Unix时间戳--到毫秒)"));
    cbIncludePhotoTime =
        CheckBox(GroupBox6, "cbIncludePhotoTime", QStringLiteral("时间比较时包括拍摄/文件名时间"), true, 8, 62, 230);
    cbIncludePhotoTime->setToolTip(QStringLiteral("最早最新时间比较时是否包括拍摄/文件名时间"));
    cbSetDirDateByFiles = CheckBox(GroupBox6, "cbSetDirDateByFiles", QString(), false, 200, 40, 18);
    cbSetDirDateByFiles->hide();
    Label(GroupBox6, "Label7", QStringLiteral("名称替换"), 8, 86, 52);
    edPath1 = Edit(GroupBox6, "edPath1", QStringLiteral("c:\\"), 60, 86, 100);
    Label(GroupBox6, "Label8", QStringLiteral("为"), 166, 86, 16);
    edPath2 = Edit(GroupBox6, "edPath2", QStringLiteral("d:\\"), 184, 86, 100);

    btGetFileNameTime = Button(page, "btGetFileNameTime", QStringLiteral("获取文件名时间"),
                               QStringLiteral("从文件名获取时间(例如很多手机照片文件包含拍照时间)，从前到后依次取数字，"
                                              "要求文件名前导字符不能有数字"),
                               846, 12, 97);
    btGetPhotoTime = Button(page, "btGetPhotoTime", QStringLiteral("获取拍摄时间"),
                            QStringLiteral("根据照片的Exif信息获取拍摄时间"), 846, 48, 97);
    btRenameWeiXinFile =
        Button(page, "btRenameWeiXinFile", QStringLiteral("修改微信文件名"),
               QStringLiteral("根据时间戳修改微信导出图片视频文件名，如mmexport1604139498000.jpg 修改为 "
                              "mmexport_20201031_181818.jpg、1604139498000.mp4 修改为 mmexport_20201031_181818.mp4"),
               846, 84, 97);
    btReplace = Button(page, "btReplace", QStringLiteral("替换"), QStringLiteral("替换名称路径"), 968, 24);
    tbCopyInfo = Button(page, "tbCopyInfo", QStringLiteral("复制"), QStringLiteral("复制内容到剪贴板"), 968, 72);
    bSetSelect1 = Button(page, "bSetSelect1", QStringLiteral("修改选中"), QStringLiteral("修改文件列表A中选中文件时间"),
                         1069, 24);
    bSetAll1 =
        Button(page, "bSetAll1", QStringLiteral("修改全部"), QStringLiteral("修改文件列表A中所有文件的时间"), 1069, 72);
    bExit = Button(page, "bExit", QStringLiteral("退出"), QStringLiteral("退出本程序"), 1216, 48);
    bUndo = Button(page, "bUndo", QStringLiteral("撤销"), kUndoHint, 1216, 84);
}

void MainForm::buildPageShift() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet2"));
    pc->addTab(page, QStringLiteral("时间运算"));
    cbCreate2 = CheckBox(page, "cbCreate2", QStringLiteral("创建时间"), true, 25, 15);
    cbWrite2 = CheckBox(page, "cbWrite2", QStringLiteral("修改时间"), true, 25, 45);
    cbAccess2 = CheckBox(page, "cbAccess2", QStringLiteral("访问时间"), true, 25, 75);
    lCreate = Label(page, "lCreate", QString(), 112, 15, 140);
    lWrite = Label(page, "lWrite", QString(), 112, 45, 140);
    lAccess = Label(page, "lAccess", QString(), 112, 75, 140);

    Label(page, "Label4", QStringLiteral("对文件日期时间加减："), 270, 14, 128);
    cbAdd = new QComboBox(page);
    cbAdd->setObjectName(QStringLiteral("cbAdd"));
    cbAdd->setEditable(true);
    cbAdd->addItems({QStringLiteral("+"), QStringLiteral("-")});
    cbAdd->setCurrentIndex(0);
    cbAdd->setToolTip(QStringLiteral("加/减"));
    cbAdd->setGeometry(399, 12, 44, 24);
    QFont red = cbAdd->font();
    red.setBold(true);
    red.setPixelSize(15);
    cbAdd->setFont(red);
    QPalette pal = cbAdd->palette();
    pal.setColor(QPalette::Text, Qt::red);
    pal.setColor(QPalette::ButtonText, Qt::red);
    cbAdd->setPalette(pal);

    struct Amount {
        SpinEdit*& field;
        const char* name;
        const char* labelName;
        const char* unit;
        int x;
    };
    Amount amounts[] = {{seYear, "seYear", "Label1", "年", 447},
                        {seMonth, "seMonth", "Label2", "月", 502},
                        {seDay, "seDay", "Label3", "日", 558}};
    for (Amount& a : amounts) {
        a.field = new SpinEdit(0, 10000, page);
        a.field->setObjectName(QString::fromLatin1(a.name));
        a.field->setToolTip(QString::fromUtf8(a.unit));
        a.field->setGeometry(a.x, 12, 41, 22);
        Label(page, a.labelName, QString::fromUtf8(a.unit), a.x + 43, 14, 12)->setToolTip(QString::fromUtf8(a.unit));
    }
    seTime = TimePicker(page, "seTime", 615, 12);
    seTime->setTime(QTime(0, 0, 0));
    seTime->setToolTip(QStringLiteral("时:分:秒"));
    bSetSelect2 = Button(page, "bSetSelect2", QStringLiteral("修改选中"),
                         QStringLiteral("对文件列表A中选中文件的时间进行加减运算"), 386, 64);
    bSetAll2 = Button(page, "bSetAll2", QStringLiteral("修改全部"),
                      QStringLiteral("对文件列表A中的所有文件时间进行加减运算"), 514, 64);
    // Every page that writes offers the way back where its commands are.
    bUndo2 = Button(page, "bUndo2", QStringLiteral("撤销"), kUndoHint, 642, 64);
}

void MainForm::buildPageSync() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet3"));
    pc->addTab(page, QStringLiteral("时间同步"));
    cbCreate3 = CheckBox(page, "cbCreate3", QStringLiteral("创建时间"), true, 25, 15);
    cbWrite3 = CheckBox(page, "cbWrite3", QStringLiteral("修改时间"), true, 25, 45);
    cbAccess3 = CheckBox(page, "cbAccess3", QStringLiteral("访问时间"), true, 25, 75);
    lCreate2 = Label(page, "lCreate2", QString(), 112, 15, 140);
    lWrite2 = Label(page, "lWrite2", QString(), 112, 45, 140);
    lAccess2 = Label(page, "lAccess2", QString(), 112, 75, 140);

    auto* group3 = new QGroupBox(QStringLiteral("对照同步"), page);
    group3->setObjectName(QStringLiteral("GroupBox3"));
    group3->setToolTip(
        QStringLiteral("按列表中的文件序号进行一一对照，同步后列表A中的文件将与列表B中对应序号的文件保持时间一致"));
    group3->setGeometry(288, 2, 174, 105);
    auto speedButton = [group3](const char* name, const QString& caption, const QString& hint,
                                QStyle::StandardPixmap picture, int x) {
        auto* b = new QToolButton(group3);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolTip(hint);
        b->setIcon(QApplication::style()->standardIcon(picture));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        b->setGeometry(x, 20, 78, 28);
        return b;
    };
    sbCompare = speedButton("sbCompare", QStringLiteral("对比"),
                            QStringLiteral("比较文件列表A与B中对应文件的时间差异，用红色字体表示差异"),
                            QStyle::SP_FileDialogContentsView, 8);
    sbCompare2 = speedButton("sbCompare2", QStringLiteral("取消对比"), QStringLiteral("取消突出显示对比结果"),
                             QStyle::SP_DialogResetButton, 88);
    bSyncSelect = Button(group3, "bSyncSelect", QStringLiteral("同步选中"),
                         QStringLiteral("使文件列表A中选中的文件与文件列表B中对应序号的文件时间同步"), 8, 62, 75, 32);
    bSyncAll = Button(group3, "bSyncAll", QStringLiteral("同步全部"),
                      QStringLiteral("使文件列表A中的文件与文件列表B中对应序号的文件时间同步"), 90, 62, 75, 32);

    auto* group4 = new QGroupBox(QStringLiteral("对应同步"), page);
    group4->setObjectName(QStringLiteral("GroupBox4"));
    group4->setToolTip(QStringLiteral("目录(含子目录和文件)时间同步，同步后“目标”目录下的文件时间将与“来源”目录下的"
                                      "对应同名文件保持时间一致"));
    group4->setGeometry(471, 2, 416, 105);
    bSrc = Button(group4, "bSrc", QStringLiteral("来源..."), QStringLiteral("点击选择源目录"), 8, 18, 56, 23);
    eSrc = Edit(group4, "eSrc", QString(), 66, 19, 136);
    eSrc->setToolTip(QStringLiteral("源目录"));
    bDst = Button(group4, "bDst", QStringLiteral("目标..."), QStringLiteral("点击选择目标目录(被同步目录)"), 208, 18,
                  56, 23);
    eDst = Edit(group4, "eDst", QString(), 266, 19, 142);
    eDst->setToolTip(QStringLiteral("目标目录(被同步目录)"));
    Label(group4, "Label5", QStringLiteral("过滤器："), 8, 48, 50);
    edFilter = Edit(group4, "edFilter", QStringLiteral("*.*"), 58, 47, 130);
    edFilter->setToolTip(QStringLiteral("过滤器，多个过滤器间用分号;分隔。比如：*.bmp;*.txt;*.doc"));
    cbDirInclude = CheckBox(group4, "cbDirInclude", QStringLiteral("包括路径"), true, 196, 48, 72);
    cbOnlyDir = CheckBox(group4, "cbOnlyDir", QStringLiteral("仅路径"), false, 270, 48, 60);
    cbSubDir = CheckBox(group4, "cbSubDir", QStringLiteral("含子目录"), true, 334, 48, 76);
    bSyncDir = Button(group4, "bSyncDir", QStringLiteral("同步"), QStringLiteral("同步目录时间"), 170, 74);

    bExchange = Button(page, "bExchange", QStringLiteral("列表互换"), QStringLiteral("互换列表A和B"), 904, 20);
    bExit2 = Button(page, "bExit2", QStringLiteral("退出"), QStringLiteral("退出本程序"), 904, 76);
    bUndo3 = Button(page, "bUndo3", QStringLiteral("撤销"), kUndoHint, 1004, 76);
}

void MainForm::buildPageAbout() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("TabSheet4"));
    pc->addTab(page, QStringLiteral("关于"));
    auto styled = [page](const char* name, const QString& text, const char* colour, int pixels, bool bold, bool italic,
                         int top) {
        auto* l = new QLabel(text, page);
        l->setObjectName(QString::fromLatin1(name));
        QFont f = l->font();
        f.setPixelSize(pixels);
        f.setBold(bold);
        f.setItalic(italic);
        l->setFont(f);
        l->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(colour)));
        l->adjustSize();
        l->move(l->x(), top);
        return l;
    };
    lCopyRight1 =
        styled("lCopyRight1", QStringLiteral("文件与照片时间管理工具 Kairodex"), "green", 24, true, false, 16);
    lCopyRight2 = styled("lCopyRight2", QStringLiteral("V" KAIRODEX_VERSION), "red", 24, false, false, 48);
    lCopyRight3 = styled("lCopyRight3", QString(), "black", 12, false, false, 80);
    lCopyRight3->hide();
    lCopyRight4 = styled("lCopyRight4", QStringLiteral("Kairodex 2026-12"), "purple", 16, false, true, 96);
    lCopyRight4->setFixedWidth(149);
}

void MainForm::buildMenus() {
    popMenuCopy = new QMenu(m_window);
    popMenuCopy->setObjectName(QStringLiteral("popMenuCopy"));
    MICopy = popMenuCopy->addAction(QStringLiteral("复制时间"));
    MICopy->setObjectName(QStringLiteral("MICopy"));
    MIPaster = popMenuCopy->addAction(QStringLiteral("粘贴时间"));
    MIPaster->setObjectName(QStringLiteral("MIPaster"));
    MIPaster->setEnabled(false);
    popMenuCopy->addSeparator()->setObjectName(QStringLiteral("N2"));
    MIAllToCreate = popMenuCopy->addAction(QStringLiteral("全部设置为创建时间"));
    MIAllToCreate->setObjectName(QStringLiteral("MIAllToCreate"));
    MIAllToWrite = popMenuCopy->addAction(QStringLiteral("全部设置为修改时间"));
    MIAllToWrite->setObjectName(QStringLiteral("MIAllToWrite"));
    MIAllToAccess = popMenuCopy->addAction(QStringLiteral("全部设置为访问时间"));
    MIAllToAccess->setObjectName(QStringLiteral("MIAllToAccess"));
    popMenuCopy->addSeparator()->setObjectName(QStringLiteral("N3"));
    MIAllToNow = popMenuCopy->addAction(QStringLiteral("全部设置为当前时间"));
    MIAllToNow->setObjectName(QStringLiteral("MIAllToNow"));

    pmPopMenu = new QMenu(m_window);
    pmPopMenu->setObjectName(QStringLiteral("pmPopMenu"));
    miOpen = pmPopMenu->addAction(QStringLiteral("打开(&O)"));
    miOpen->setObjectName(QStringLiteral("miOpen"));
    miLocate = pmPopMenu->addAction(QStringLiteral("定位文件/目录位置(&L)"));
    miLocate->setObjectName(QStringLiteral("miLocate"));
}

} // namespace kdx::gui

#include "gui/addfilesform.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace kdx::gui {

namespace {

QCheckBox* Check(QWidget* parent, const char* name, const QString& caption, bool on) {
    auto* b = new QCheckBox(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setChecked(on);
    return b;
}

QPushButton* Push(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

void AddFilesForm::setupForm(QDialog* dialog) {
    dialog->setObjectName(QStringLiteral("AddFilefrm"));
    dialog->setWindowTitle(QStringLiteral("添加文件(夹)"));
    dialog->resize(742, 563);
    dialog->setModal(true);

    edDir = new QLineEdit(dialog);
    edDir->setObjectName(QStringLiteral("edDir"));
    edDir->setToolTip(QStringLiteral("当前选择的目录，也可以手工输入快速定位到指定目录"));

    DriveComboBox1 = new QComboBox(dialog);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    // A long mount path must not widen the dialog.
    DriveComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    DriveComboBox1->setMinimumContentsLength(8);
    edFilter = new QLineEdit(QStringLiteral("*.*"), dialog);
    edFilter->setObjectName(QStringLiteral("edFilter"));
    edFilter->setToolTip(QStringLiteral("过滤器，多个过滤器间用分号;分隔。比如：*.bmp;*.txt;*.doc"));
    // Wide enough to read a filter of three kinds.
    edFilter->setMinimumWidth(edFilter->fontMetrics().horizontalAdvance(QStringLiteral("*.jpg;*.png;*.heic")) + 16);
    Filtercb = new QComboBox(dialog);
    Filtercb->setObjectName(QStringLiteral("Filtercb"));
    Filtercb->addItem(QStringLiteral("*.*|*.*"));
    Filtercb->hide();
    cbAutoSelAll = Check(dialog, "cbAutoSelAll", QStringLiteral("自动选中全部"), true);
    cbDirInclude = Check(dialog, "cbDirInclude", QStringLiteral("包括路径"), false);
    cbOnlyDir = Check(dialog, "cbOnlyDir", QStringLiteral("仅路径"), false);
    cbSubDir = Check(dialog, "cbSubDir", QStringLiteral("含子目录"), false);

    DirList = new QTreeView(dialog);
    DirList->setObjectName(QStringLiteral("DirList"));
    DirList->header()->hide();
    DirList->setFixedWidth(308);

    FileList = new QListWidget(dialog);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileList->setUniformItemSizes(true);

    SelectAll = Push(dialog, "SelectAll", QStringLiteral("全部选中"));
    SelectNone = Push(dialog, "SelectNone", QStringLiteral("全部不选"));
    InverseSelect = Push(dialog, "InverseSelect", QStringLiteral("反向选择"));
    Ok = Push(dialog, "Ok", QStringLiteral("确定"));
    Cancle = Push(dialog, "Cancle", QStringLiteral("取消"));
    Ok->setDefault(true);
    // Return always means OK: no other button takes the default while it
    // has the focus (it keeps the focus when OK is disabled during a scan).
    for (QPushButton* b : {SelectAll, SelectNone, InverseSelect, Cancle})
        b->setAutoDefault(false);

    auto* top = new QVBoxLayout(dialog);
    top->addWidget(edDir);
    auto* options = new QHBoxLayout;
    options->addWidget(DriveComboBox1, 1);
    options->addWidget(new QLabel(QStringLiteral("过滤器："), dialog));
    options->addWidget(edFilter, 2);
    options->addWidget(cbAutoSelAll);
    options->addWidget(cbDirInclude);
    options->addWidget(cbOnlyDir);
    options->addWidget(cbSubDir);
    top->addLayout(options);
    auto* lists = new QHBoxLayout;
    lists->addWidget(DirList);
    auto* right = new QVBoxLayout;
    right->addWidget(FileList, 1);
    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(SelectAll);
    selectRow->addWidget(SelectNone);
    selectRow->addWidget(InverseSelect);
    selectRow->addStretch();
    right->addLayout(selectRow);
    lists->addLayout(right, 1);
    top->addLayout(lists, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(Ok);
    bottom->addWidget(Cancle);
    top->addLayout(bottom);
}

} // namespace kdx::gui

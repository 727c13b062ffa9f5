#include "gui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/common/text.h"
#include "core/lists/list_ops.h"
#include "gui/addfiles.h"
#include "gui/filelistview.h"
#include "gui/progress.h"
#include "gui/spinedit.h"
#include "gui/sysimagelist.h"
#include "platform/platform.h"

namespace kdx::gui {

namespace {

bool g_syncLayoutShown = false;

constexpr int kPageSetTimes = 0;
constexpr int kPageShift = 1;
constexpr int kPageSync = 2;

} // namespace

bool SyncLayoutShown() {
    return g_syncLayoutShown;
}

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    m_icons = new TSysImageList(this);
    setupForm(this, m_icons);
    setWindowTitle(QStringLiteral("Kairodex %1").arg(QStringLiteral(KAIRODEX_VERSION)));

    m_addFiles = new TAddFilefrm(this);
    m_scanning = new TfrmScanning(this);

    wireHandlers();
    FormCreate();

    // Tooltips stay up five seconds.
    for (QWidget* w : findChildren<QWidget*>())
        w->setToolTipDuration(5000);
    // Centred on the desktop.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
    // The shared path lists start empty; the image list is made; the lists
    // have no rows; compare mode is off.
    ExistingPaths.clear();
    PendingPaths.clear();
    m_compareMode = false;
    m_savedClientWidth = width();
    ArrangeForPage();
    const QDateTime now = QDateTime::currentDateTime();
    for (QDateEdit* d : {DTP1Date, DTP2Date, DTP3Date})
        d->setDate(now.date());
    for (QTimeEdit* t : {DTP1Time, DTP2Time, DTP3Time})
        t->setTime(now.time());
    for (QLabel* l : {lCreate, lWrite, lAccess, lCreate2, lWrite2, lAccess2})
        l->clear();
    applyCreationTimeRule();
}

void TfrmMain::applyCreationTimeRule() {
    // Where the system cannot set creation times, asking for them would fail
    // every row; the boxes start cleared and say why.
    if (sys().canSetCreationTime()) return;
    const QString why = QStringLiteral("本系统不支持修改文件的创建时间");
    for (QCheckBox* box : {cbCreate1, cbCreate2, cbCreate3}) {
        box->setChecked(false);
        box->setEnabled(false);
        box->setToolTip(why);
    }
}

void TfrmMain::setLeftPaneWidth(int width) {
    const int total = Splitter1->width() > 0 ? Splitter1->width() : this->width();
    Splitter1->setSizes({width, std::max(0, total - width - layout::SplitterWidth)});
}

void TfrmMain::setClientWidth(int width) {
    resize(std::max(width, minimumWidth()), height());
}

void TfrmMain::ArrangeForPage() {
    const int page = pc->currentIndex();
    if (page == kPageSetTimes || page == kPageShift) {
        if (g_syncLayoutShown) setClientWidth(m_savedClientWidth);
        const int clientWidth = width();
        Panel2->hide();
        setLeftPaneWidth(clientWidth);
        lv1->setLayoutWidths(clientWidth - layout::OneListReserve);
        if (page == kPageShift && !lv1->hasSelection())
            for (QLabel* l : {lCreate, lWrite, lAccess})
                l->clear();
    } else if (page == kPageSync) {
        g_syncLayoutShown = true;
        const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        setClientWidth(screen ? screen->availableGeometry().width() : width());
        const int clientWidth = width();
        const int left = (clientWidth - layout::SplitterWidth) / 2;
        Panel2->show();
        setLeftPaneWidth(left);
        lv1->setLayoutWidths(left - layout::TwoListReserve);
        lv2->setLayoutWidths(left - layout::TwoListReserve);
        if (!lv1->hasSelection() && !lv2->hasSelection())
            for (QLabel* l : {lCreate2, lWrite2, lAccess2})
                l->clear();
        move(0, y());
    }
}

void TfrmMain::FormResize() {
    if (pc && pc->currentIndex() != kPageSync) {
        m_savedClientWidth = width();
        if (!Panel2->isVisible()) setLeftPaneWidth(width());
    }
    const int w = width();
    for (QLabel* l : {lCopyRight1, lCopyRight2, lCopyRight3})
        if (l) l->move((w - l->width()) / 2, l->y());
    if (lCopyRight4) lCopyRight4->move((w - lCopyRight4->width()) / 2 + 350, lCopyRight4->y());
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (busy()) {
        // A long command is running: stop it first, then close.
        m_cancelRequested = true;
        event->ignore();
        return;
    }
    m_addFiles->hide();
    m_scanning->hide();
    QMainWindow::closeEvent(event);
}

void TfrmMain::beginBusy() {
    if (m_busy++ == 0) {
        lv1->setLocked(true);
        lv2->setLocked(true);
    }
}

void TfrmMain::endBusy() {
    if (--m_busy > 0) return;
    lv1->setLocked(false);
    lv2->setLocked(false);
    if (m_cancelRequested) {
        m_cancelRequested = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

NameTimeOptions TfrmMain::nameTimeOptions() const {
    return NameTimeOptions{ParseStartPosition(edFileNameTimeFrom->text().toStdString()), cbWeiXin->isChecked()};
}

void TfrmMain::ShowRowTimes(FileListView* list) {
    if (list->rowCount() == 0 || !list->hasSelection()) return;
    const int row = list->focusedRow();
    if (row < 0) return;
    const FileEntry& e = list->rowsModel()->row(static_cast<size_t>(row));
    if (IsBlank(e.Name)) return;
    EntryTimes t;
    t.CreateTime = e.CreateTime;
    t.WriteTime = e.WriteTime;
    t.AccessTime = e.AccessTime;
    if (EntryExists(e.Name)) {
        EntryTimes fresh;
        if (ReadStampTexts(e.Name, fresh)) t = std::move(fresh);
    }
    const int page = pc->currentIndex();
    if (page == kPageSetTimes) {
        const std::string* texts[] = {&t.CreateTime, &t.WriteTime, &t.AccessTime};
        QDateEdit* dates[] = {DTP1Date, DTP2Date, DTP3Date};
        QTimeEdit* times[] = {DTP1Time, DTP2Time, DTP3Time};
        for (int i = 0; i < 3; ++i) {
            const auto v = ParseTimeText(*texts[i]);
            if (!v) continue;
            const CalendarFields f = v->fields();
            dates[i]->setDate(QDate(f.year, f.month, f.day));
            times[i]->setTime(QTime(f.hour, f.minute, f.second));
        }
    } else if (page == kPageShift) {
        lCreate->setText(QString::fromUtf8(t.CreateTime));
        lWrite->setText(QString::fromUtf8(t.WriteTime));
        lAccess->setText(QString::fromUtf8(t.AccessTime));
    } else if (page == kPageSync) {
        lCreate2->setText(QString::fromUtf8(t.CreateTime));
        lWrite2->setText(QString::fromUtf8(t.WriteTime));
        lAccess2->setText(QString::fromUtf8(t.AccessTime));
    }
}

// The two buttons sit in different frames, so Qt does not make them exclusive
// and a click on the one already on would turn it off. A click always leaves
// the clicked button on and the other off.
void TfrmMain::rbDefineTimeClick() {
    rbDefineTime->setChecked(true);
    rbAllToTime->setChecked(false);
}

void TfrmMain::rbAllToTimeClick() {
    rbAllToTime->setChecked(true);
    rbDefineTime->setChecked(false);
}

void TfrmMain::rgTimeClick() {
    rbAllToTime->setChecked(true);
    rbAllToTimeClick();
}

void TfrmMain::wireListMenu() {
    connect(miOpen, &QAction::triggered, this, [this] {
        if (m_listMenuOwner) m_listMenuOwner->OpenEntry();
    });
    connect(miLocate, &QAction::triggered, this, [this] {
        if (m_listMenuOwner) m_listMenuOwner->LocateEntry();
    });
    for (FileListView* list : {lv1, lv2}) {
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
            m_listMenuOwner = list;
            pmPopMenu->popup(list->viewport()->mapToGlobal(pos));
        });
    }
}

void TfrmMain::wireToolBars() {
    for (FileListView* list : {lv1, lv2}) {
        const std::function<void()> actions[] = {
            [this, list] { tbAddClick(list); },          [list] { list->RemoveSelectedRows(); },
            [list] { list->RemoveAllRows(); },           [list] { list->MoveSelectedUp(); },
            [list] { list->MoveSelectedDown(); },        [list] { list->SelectAllRows(); },
            [list] { list->InvertSelection(); },         [this, list] { SaveSnapshot(list); },
            [this, list] { LoadSnapshot(list); },        [this, list] { ReplaceInNames(list); },
            [this, list] { CopyListToClipboard(list); },
        };
        const auto& buttons = toolButtons[list->isListA() ? 0 : 1];
        for (size_t i = 0; i < buttons.size(); ++i)
            connect(buttons[i], &QToolButton::clicked, this, [this, act = actions[i]] {
                if (!busy()) act();
            });
    }
}

void TfrmMain::wireHandlers() {
    wireToolBars();
    wireCopyMenu();
    wireListMenu();
    connect(pc, &QTabWidget::currentChanged, this, [this] { ArrangeForPage(); });
    connect(bExit, &QPushButton::clicked, this, &QWidget::close);
    for (QPushButton* undo : {bUndo, bUndo2, bUndo3})
        connect(undo, &QPushButton::clicked, this, &TfrmMain::UndoLast);
    auto* undo = new QAction(this);
    undo->setObjectName(QStringLiteral("actUndo"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WindowShortcut);
    connect(undo, &QAction::triggered, this, &TfrmMain::UndoLast);
    addAction(undo);
    connect(bExit2, &QPushButton::clicked, this, &QWidget::close);
    connect(rbDefineTime, &QRadioButton::clicked, this, &TfrmMain::rbDefineTimeClick);
    connect(rbAllToTime, &QRadioButton::clicked, this, &TfrmMain::rbAllToTimeClick);
    // Only a change of the chosen source switches to source mode; clicking the
    // source already chosen leaves the mode alone.
    connect(rgTimeItems, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked) rgTimeClick();
    });
    for (FileListView* list : {lv1, lv2}) {
        connect(list, &QAbstractItemView::clicked, this, [this, list] { ShowRowTimes(list); });
        connect(list, &FileListView::allRowsRemoved, this, [this] {
            ExistingPaths.clear();
            PendingPaths.clear();
        });
        connect(list, &FileListView::pathsDropped, this,
                [this, list](const QList<QByteArray>& names) { DropPaths(list, names); });
    }
    connect(lv1, &QAbstractItemView::doubleClicked, this, [this] { lv1->OpenEntry(); });

    auto guarded = [this](auto fn) {
        return [this, fn] {
            if (!busy()) (this->*fn)();
        };
    };
    connect(bSetSelect1, &QPushButton::clicked, this, guarded(&TfrmMain::bSetSelect1Click));
    connect(bSetAll1, &QPushButton::clicked, this, guarded(&TfrmMain::bSetAll1Click));
    connect(bSetSelect2, &QPushButton::clicked, this, [this] {
        if (!busy()) ShiftTimes(false);
    });
    connect(bSetAll2, &QPushButton::clicked, this, [this] {
        if (!busy()) ShiftTimes(true);
    });
    connect(btGetFileNameTime, &QPushButton::clicked, this, guarded(&TfrmMain::btGetFileNameTimeClick));
    connect(btGetPhotoTime, &QPushButton::clicked, this, guarded(&TfrmMain::btGetPhotoTimeClick));
    connect(btRenameWeiXinFile, &QPushButton::clicked, this, guarded(&TfrmMain::btRenameWeiXinFileClick));
    connect(btReplace, &QPushButton::clicked, this, [this] {
        if (!busy()) ReplaceInNames(lv1);
    });
    connect(tbCopyInfo, &QPushButton::clicked, this, [this] {
        if (!busy()) CopyListToClipboard(lv1);
    });
    connect(sbCompare, &QToolButton::clicked, this, guarded(&TfrmMain::sbCompareClick));
    connect(sbCompare2, &QToolButton::clicked, this, guarded(&TfrmMain::sbCompare2Click));
    connect(bSyncSelect, &QPushButton::clicked, this, [this] {
        if (!busy()) SyncPairs(true, false);
    });
    connect(bSyncAll, &QPushButton::clicked, this, [this] {
        if (!busy()) SyncPairs(true, true);
    });
    connect(bSrc, &QPushButton::clicked, this, &TfrmMain::bSrcClick);
    connect(bDst, &QPushButton::clicked, this, &TfrmMain::bDstClick);
    connect(bSyncDir, &QPushButton::clicked, this, guarded(&TfrmMain::bSyncDirClick));
    connect(bExchange, &QPushButton::clicked, this, guarded(&TfrmMain::bExchangeClick));
}

} // namespace kdx::gui

// The main window on the offscreen platform: layout, the radio pair, the key
// filter, and the list commands, driven the way a user drives them.

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>
#include <ctime>

#include "core/lists/list_ops.h"
#include "gui/application.h"
#include "gui/dialogs.h"
#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/spinedit.h"
#include "gui_support.h"
#include "platform/platform.h"
#include "temp_dir.h"

using namespace kdx;
using namespace kdx::gui;
using namespace Qt::StringLiterals;

namespace {

FileEntry Row(const std::string& name, const std::string& write = "2020-01-01 00:00:00") {
    FileEntry e;
    e.Name = name;
    e.CreateTime = "2019-01-01 00:00:00";
    e.WriteTime = write;
    e.AccessTime = "2021-01-01 00:00:00";
    e.PhotoTime = " ";
    e.NameTime = " ";
    return e;
}

// Rows named "0", "1", ... "count - 1".
std::vector<FileEntry> NumberedRows(int count) {
    std::vector<FileEntry> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back(Row(std::to_string(i)));
    return rows;
}

QStringList Names(const FileListView* list) {
    QStringList out;
    for (const FileEntry& e : list->rowsModel()->rows())
        out << QString::fromStdString(e.Name);
    return out;
}

QString CellText(const FileListView* list, int row, int column) {
    return list->model()->index(row, column).data().toString();
}

void ClickHeader(FileListView* list, int column) {
    QHeaderView* header = list->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

QColor Pixel(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// Pixels of the area whose colour passes the test.
template <class Test>
int CountPixels(const QImage& image, const QRect& area, Test test) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(Pixel(image, x, y)) ? 1 : 0;
    return n;
}

// The cell's area in the viewport, less a margin of 2 pixels.
QRect Inside(const FileListView* list, int row, int column) {
    return QRect(list->columnViewportPosition(column), list->rowViewportPosition(row), list->columnWidth(column),
                 list->rowHeight(row))
        .adjusted(2, 2, -3, -3);
}

// Stands in for the desktop's "open with" while a test runs.
// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

// The file URLs handed to the desktop when the list menu's action is chosen
// on a row of list A naming file; waits a while for the first.
QList<QUrl> UrlsOpenedByListMenu(const std::string& file, const char* action) {
    UrlRecorder opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
    TfrmMain w;
    w.show();
    auto* list = Find<FileListView>(&w, "lv1");
    list->rowsModel()->setRows({Row(file)});
    const QPoint at = list->visualRect(list->model()->index(0, ColName)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    emit list->customContextMenuRequested(at);
    Find<QMenu>(&w, "pmPopMenu")->hide();
    Find<QAction>(&w, action)->trigger();
    static_cast<void>(QTest::qWaitFor([&] { return !opened.urls.isEmpty(); })); // the caller checks what came
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    return opened.urls;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsWithOneListAcrossTheWidth() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("Kairodex 1.99"));
        QCOMPARE(Find<QTabWidget>(&w, "pc")->currentIndex(), 0);
        QVERIFY(!Find<QWidget>(&w, "Panel2")->isVisible());
        QCOMPARE(Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(1), w.width() - 730);
        QCOMPARE(Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(2), 130);
        QCOMPARE(Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(0), 50);
        // Every control of the first page exists with its caption.
        QCOMPARE(Find<QPushButton>(&w, "bSetSelect1")->text(), QStringLiteral("修改选中"));
        QCOMPARE(Find<QToolButton>(&w, "tbAdd1")->text(), QStringLiteral("添加"));
        QCOMPARE(Find<QToolButton>(&w, "InvertSelection2")->text(), QStringLiteral("反选"));
        QCOMPARE(Find<QLineEdit>(&w, "edFileNameTimeFrom")->text(), QStringLiteral("1"));
        QCOMPARE(Find<QRadioButton>(&w, "rbDefineTime")->isChecked(), true);
        QCOMPARE(Find<QButtonGroup>(&w, "rgTimeItems")->checkedId(), 1);
        QCOMPARE(Find<FileListView>(&w, "lv1")->model()->headerData(6, Qt::Horizontal).toString(),
                 QStringLiteral("文件名时间"));
    }

    void widerWindowWidensOnlyTheLastColumn() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int name = Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(1);
        const int last = Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(6);
        w.resize(w.width() + 100, w.height());
        QTRY_COMPARE(Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(6), last + 100);
        QCOMPARE(Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(1), name);
    }

    void syncPageShowsBothListsAndLeavingRestoresTheWidth() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int before = w.width();
        w.move(200, 50);
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(2);
        QVERIFY(Find<QWidget>(&w, "Panel2")->isVisible());
        QVERIFY(SyncLayoutShown());
        const int screenWidth = w.screen()->availableGeometry().width();
        QCOMPARE(w.width(), std::max(screenWidth, layout::MinWidth));
        QCOMPARE(w.x(), 0);
        const int left = (w.width() - 10) / 2;
        QCOMPARE(Find<FileListView>(&w, "lv1")->horizontalHeader()->sectionSize(1), std::max(120, left - 710));
        QCOMPARE(Find<FileListView>(&w, "lv2")->horizontalHeader()->sectionSize(1), std::max(120, left - 710));
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(1);
        QCOMPARE(w.width(), before);
        QCOMPARE(w.x(), 0);
        QVERIFY(!Find<QWidget>(&w, "Panel2")->isVisible());
    }

    void radioPairAndSourceGroupExcludeEachOther() {
        TfrmMain w;
        w.show();
        QTest::mouseClick(Find<QButtonGroup>(&w, "rgTimeItems")->button(4), Qt::LeftButton);
        QVERIFY(Find<QRadioButton>(&w, "rbAllToTime")->isChecked());
        QVERIFY(!Find<QRadioButton>(&w, "rbDefineTime")->isChecked());
        QTest::mouseClick(Find<QRadioButton>(&w, "rbDefineTime"), Qt::LeftButton);
        QVERIFY(Find<QRadioButton>(&w, "rbDefineTime")->isChecked());
        QVERIFY(!Find<QRadioButton>(&w, "rbAllToTime")->isChecked());
        QTest::mouseClick(Find<QRadioButton>(&w, "rbAllToTime"), Qt::LeftButton);
        QVERIFY(Find<QRadioButton>(&w, "rbAllToTime")->isChecked());
        QVERIFY(!Find<QRadioButton>(&w, "rbDefineTime")->isChecked());
    }

    void clickingTheButtonAlreadyOnChangesNothing() {
        TfrmMain w;
        w.show();
        for (QRadioButton* on : {Find<QRadioButton>(&w, "rbDefineTime"), Find<QRadioButton>(&w, "rbAllToTime")}) {
            QRadioButton* off = on == Find<QRadioButton>(&w, "rbDefineTime") ? Find<QRadioButton>(&w, "rbAllToTime")
                                                                             : Find<QRadioButton>(&w, "rbDefineTime");
            QTest::mouseClick(on, Qt::LeftButton);
            QTest::mouseClick(on, Qt::LeftButton);
            QVERIFY(on->isChecked());
            QVERIFY(!off->isChecked());
            on->setFocus();
            QTest::keyClick(on, Qt::Key_Space);
            QVERIFY(on->isChecked());
            QVERIFY(!off->isChecked());
        }
        // The source already chosen, clicked again, does not switch modes.
        QTest::mouseClick(Find<QRadioButton>(&w, "rbDefineTime"), Qt::LeftButton);
        QTest::mouseClick(Find<QButtonGroup>(&w, "rgTimeItems")->checkedButton(), Qt::LeftButton);
        QVERIFY(Find<QRadioButton>(&w, "rbDefineTime")->isChecked());
        QVERIFY(!Find<QRadioButton>(&w, "rbAllToTime")->isChecked());
    }

    void amountFieldsKeepOnlyDigitsAndFullStop() {
        TfrmMain w;
        w.show();
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(1);
        SpinEdit* year = Find<SpinEdit>(&w, "seYear");
        year->findChild<QLineEdit*>()->clear();
        year->setFocus();
        QTest::keyClicks(year, QStringLiteral("12a."));
        QCOMPARE(year->text(), QStringLiteral("12."));
        QCOMPARE(year->value(), 0); // not a whole number
        year->findChild<QLineEdit*>()->setText(QStringLiteral("7"));
        QCOMPARE(year->value(), 7);
        // Nothing past 10000, whichever way the text comes.
        QLineEdit* edit = year->findChild<QLineEdit*>();
        edit->clear();
        QTest::keyClicks(year, QStringLiteral("99999"));
        QCOMPARE(year->text(), QStringLiteral("9999"));
        edit->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("3x"));
        edit->paste();
        QCOMPARE(year->text(), QString());
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("4b"));
        QApplication::sendEvent(edit, &composed);
        QCOMPARE(year->text(), QString());
        // All five digits of the largest amount show in the 41-pixel field.
        QTest::keyClicks(year, QStringLiteral("10000"));
        QCOMPARE(year->width(), 41);
        QTest::keyClick(year, Qt::Key_End);
        year->grab(); // the field scrolls its text as it paints
        // (Without any font, as in Wine's offscreen tests, no text is laid out.)
        if (!QFontDatabase::families().isEmpty()) QCOMPARE(edit->cursorPositionAt(QPoint(3, edit->height() / 2)), 0);
    }

    void headerClicksSortStablyAndColumnZeroKeepsOrder() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows(
            {Row("c", "2020-01-02 00:00:00"), Row("a", "2020-01-01 00:00:00"), Row("b", "2020-01-02 00:00:00"),
             Row("d", "2020-01-01 00:00:00")});
        ClickHeader(Find<FileListView>(&w, "lv1"), 3);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{u"a"_s, u"d"_s, u"c"_s, u"b"_s}));
        QCOMPARE(Find<FileListView>(&w, "lv1")->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(Find<FileListView>(&w, "lv1"), 3);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{u"c"_s, u"b"_s, u"a"_s, u"d"_s}));
        ClickHeader(Find<FileListView>(&w, "lv1"), 3);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{u"a"_s, u"d"_s, u"c"_s, u"b"_s}));
        ClickHeader(Find<FileListView>(&w, "lv1"), 0);
        QVERIFY(!Find<FileListView>(&w, "lv1")->horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{u"a"_s, u"d"_s, u"c"_s, u"b"_s}));
        QCOMPARE(CellText(Find<FileListView>(&w, "lv1"), 0, 0), QStringLiteral("1"));
        QCOMPARE(CellText(Find<FileListView>(&w, "lv1"), 3, 1), QStringLiteral("b"));
    }

    void moveUpAndDownKeepBlocksAndSelection() {
        TfrmMain w;
        w.show();
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({Row("1"), Row("2"), Row("3"), Row("4"), Row("5")});
        Find<FileListView>(&w, "lv1")->setSelectionFlags({false, true, true, false, false});
        QTest::mouseClick(Find<QToolButton>(&w, "tbMoveUP1"), Qt::LeftButton);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{u"2"_s, u"3"_s, u"1"_s, u"4"_s, u"5"_s}));
        QCOMPARE(Find<FileListView>(&w, "lv1")->selectionFlags(), (std::vector<bool>{true, true, false, false, false}));
        QTest::mouseClick(Find<QToolButton>(&w, "tbMoveUP1"), Qt::LeftButton);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{u"2"_s, u"3"_s, u"1"_s, u"4"_s, u"5"_s}));
        QTest::mouseClick(Find<QToolButton>(&w, "tbMoveDown1"), Qt::LeftButton);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s}));
        QCOMPARE(Find<FileListView>(&w, "lv1")->selectionFlags(), (std::vector<bool>{false, true, true, false, false}));
    }

    void selectInvertRemove() {
        TfrmMain w;
        w.show();
        Find<FileListView>(&w, "lv2")->rowsModel()->setRows({Row("1"), Row("2"), Row("3")});
        Find<FileListView>(&w, "lv2")->setSelectionFlags({true, false, false});
        QTest::mouseClick(Find<QToolButton>(&w, "InvertSelection2"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv2")->selectionFlags(), (std::vector<bool>{false, true, true}));
        QTest::mouseClick(Find<QToolButton>(&w, "tbDel2"), Qt::LeftButton);
        QCOMPARE(Names(Find<FileListView>(&w, "lv2")), QStringList{u"1"_s});
        // The Delete key removes the selected rows of the list it is typed in.
        Find<FileListView>(&w, "lv2")->rowsModel()->setRows({Row("1"), Row("2"), Row("3")});
        Find<FileListView>(&w, "lv2")->setSelectionFlags({false, true, false});
        QTest::keyClick(Find<FileListView>(&w, "lv2"), Qt::Key_Delete);
        QCOMPARE(Names(Find<FileListView>(&w, "lv2")), (QStringList{u"1"_s, u"3"_s}));
        Find<FileListView>(&w, "lv2")->rowsModel()->setRows({Row("1")});
        QTest::mouseClick(Find<QToolButton>(&w, "tbSelectAll2"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv2")->selectionFlags(), std::vector<bool>{true});
        w.ExistingPaths.insert("x");
        w.PendingPaths = {"y"};
        QTest::mouseClick(Find<QToolButton>(&w, "tbDelAll2"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv2")->rowCount(), size_t{0});
        QVERIFY(w.ExistingPaths.empty());
        QVERIFY(w.PendingPaths.empty());
    }

    void rowClickShowsTimesOnThePageInView() {
        test::TempDir dir;
        const std::string gone = dir / "gone.txt";
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        FileEntry e = Row(gone, "2020-10-31 18:18:18");
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({e});
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(1);
        const QRect cell =
            Find<FileListView>(&w, "lv1")->visualRect(Find<FileListView>(&w, "lv1")->model()->index(0, 1));
        QTest::mouseClick(Find<FileListView>(&w, "lv1")->viewport(), Qt::LeftButton, {}, cell.center());
        // The file does not exist: the row's own texts are shown.
        QCOMPARE(Find<QLabel>(&w, "lWrite")->text(), QStringLiteral("2020-10-31 18:18:18"));
        QCOMPARE(Find<QLabel>(&w, "lCreate")->text(), QStringLiteral("2019-01-01 00:00:00"));
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(0);
        QTest::mouseClick(Find<FileListView>(&w, "lv1")->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(Find<QDateEdit>(&w, "DTP2Date")->date(), QDate(2020, 10, 31));
        QCOMPARE(Find<QTimeEdit>(&w, "DTP2Time")->time(), QTime(18, 18, 18));
        // Back on page 1 with the row still selected the labels keep their text.
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(1);
        QCOMPARE(Find<QLabel>(&w, "lWrite")->text(), QStringLiteral("2020-10-31 18:18:18"));
        Find<FileListView>(&w, "lv1")->clearSelection();
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(0);
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(1);
        QCOMPARE(Find<QLabel>(&w, "lWrite")->text(), QString());
    }

    void openOnlyExistingEntriesAndNotByDoubleClickInListB() {
        test::TempDir dir;
        const std::string file = dir.file("a.txt");
        UrlRecorder opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(2);
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({Row(file), Row(dir / "gone.txt")});
        Find<FileListView>(&w, "lv2")->rowsModel()->setRows({Row(file)});
        const QPoint first =
            Find<FileListView>(&w, "lv2")->visualRect(Find<FileListView>(&w, "lv2")->model()->index(0, 1)).center();
        QTest::mouseClick(Find<FileListView>(&w, "lv2")->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(Find<FileListView>(&w, "lv2")->viewport(), Qt::LeftButton, {}, first);
        QVERIFY(opened.urls.isEmpty());
        emit Find<FileListView>(&w, "lv2")->customContextMenuRequested(first);
        Find<QMenu>(&w, "pmPopMenu")->hide();
        Find<QAction>(&w, "miOpen")->trigger();
        QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(file))});
        // List A opens on a double click, but never a path that is gone.
        const QPoint second =
            Find<FileListView>(&w, "lv1")->visualRect(Find<FileListView>(&w, "lv1")->model()->index(1, 1)).center();
        QTest::mouseClick(Find<FileListView>(&w, "lv1")->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(Find<FileListView>(&w, "lv1")->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(opened.urls.size(), 1);
        const QPoint top =
            Find<FileListView>(&w, "lv1")->visualRect(Find<FileListView>(&w, "lv1")->model()->index(0, 1)).center();
        QTest::mouseClick(Find<FileListView>(&w, "lv1")->viewport(), Qt::LeftButton, {}, top);
        QTest::mouseDClick(Find<FileListView>(&w, "lv1")->viewport(), Qt::LeftButton, {}, top);
        QCOMPARE(opened.urls.size(), 2);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void creationTimeBoxesFollowThePlatform() {
        TfrmMain w;
        QVERIFY(Find<QCheckBox>(&w, "cbWrite1")->isChecked());
        if (sys().canSetCreationTime()) {
            // Windows: the three boxes are there to use, on as the others.
            for (const char* name : {"cbCreate1", "cbCreate2", "cbCreate3"}) {
                QVERIFY(Find<QCheckBox>(&w, name)->isEnabled());
                QVERIFY(Find<QCheckBox>(&w, name)->isChecked());
            }
            return;
        }
        // Linux cannot set creation times: the boxes are cleared and say why.
        QVERIFY(!Find<QCheckBox>(&w, "cbCreate1")->isEnabled());
        QVERIFY(!Find<QCheckBox>(&w, "cbCreate1")->isChecked());
        QVERIFY(!Find<QCheckBox>(&w, "cbCreate3")->isChecked());
        QVERIFY(!Find<QCheckBox>(&w, "cbCreate1")->toolTip().isEmpty());
    }

    void qtsOwnTextsAreChineseAndTheWindowHasItsIcon() {
        PrepareApplication();
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Ok)->text(), QStringLiteral("确定"));
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
        QVERIFY(!QApplication::windowIcon().availableSizes().isEmpty());
    }

    void pickerMenuCopiesAndPastesBetweenRows() {
        TfrmMain w;
        w.show();
        QVERIFY(!Find<QAction>(&w, "MIPaster")->isEnabled());
        Find<QDateEdit>(&w, "DTP2Date")->setDate(QDate(2001, 2, 3));
        Find<QTimeEdit>(&w, "DTP2Time")->setTime(QTime(4, 5, 6));
        emit Find<QTimeEdit>(&w, "DTP2Time")->customContextMenuRequested(QPoint(1, 1));
        Find<QMenu>(&w, "popMenuCopy")->hide();
        Find<QAction>(&w, "MICopy")->trigger();
        QVERIFY(Find<QAction>(&w, "MIPaster")->isEnabled());
        emit Find<QCheckBox>(&w, "cbAccess1")->customContextMenuRequested(QPoint(1, 1));
        Find<QMenu>(&w, "popMenuCopy")->hide();
        Find<QAction>(&w, "MIPaster")->trigger();
        QCOMPARE(Find<QDateEdit>(&w, "DTP3Date")->date(), QDate(2001, 2, 3));
        QCOMPARE(Find<QTimeEdit>(&w, "DTP3Time")->time(), QTime(4, 5, 6));
        QVERIFY(Find<QDateEdit>(&w, "DTP1Date")->date() != QDate(2001, 2, 3));
        // Opened on the shift page's picker, copy copies nothing; the quick-set still works.
        emit Find<QTimeEdit>(&w, "seTime")->customContextMenuRequested(QPoint(1, 1));
        Find<QMenu>(&w, "popMenuCopy")->hide();
        Find<QAction>(&w, "MIAllToWrite")->trigger();
        QCOMPARE(Find<QDateEdit>(&w, "DTP1Date")->date(), QDate(2001, 2, 3));
        QCOMPARE(Find<QTimeEdit>(&w, "seTime")->time(), QTime(0, 0, 0));
    }

    void pickerMenuOpensOnABoxDisabledForWriting() {
        TfrmMain w;
        w.show();
        auto* box = Find<QCheckBox>(&w, "cbCreate1");
        box->setEnabled(false); // as where the system cannot set creation times
        Find<QDateEdit>(&w, "DTP1Date")->setDate(QDate(2003, 4, 5));
        QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(box, &menu);
        QVERIFY(Find<QMenu>(&w, "popMenuCopy")->isVisible());
        Find<QMenu>(&w, "popMenuCopy")->hide();
        Find<QAction>(&w, "MICopy")->trigger();
        emit Find<QCheckBox>(&w, "cbAccess1")->customContextMenuRequested(QPoint(1, 1));
        Find<QMenu>(&w, "popMenuCopy")->hide();
        Find<QAction>(&w, "MIPaster")->trigger();
        QCOMPARE(Find<QDateEdit>(&w, "DTP3Date")->date(), QDate(2003, 4, 5));
        QVERIFY(!box->isEnabled());
    }

    void aTimeInADaylightSavingGapPastesAsCopied() {
        // Central Europe: 2021-03-28 02:00 to 03:00 does not exist.
        qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
        TfrmMain w;
        Find<QDateEdit>(&w, "DTP2Date")->setDate(QDate(2021, 3, 28));
        Find<QTimeEdit>(&w, "DTP2Time")->setTime(QTime(2, 30, 0));
        emit Find<QTimeEdit>(&w, "DTP2Time")->customContextMenuRequested(QPoint(1, 1));
        Find<QMenu>(&w, "popMenuCopy")->hide();
        Find<QAction>(&w, "MICopy")->trigger();
        emit Find<QCheckBox>(&w, "cbAccess1")->customContextMenuRequested(QPoint(1, 1));
        Find<QMenu>(&w, "popMenuCopy")->hide();
        Find<QAction>(&w, "MIPaster")->trigger();
        const QDate date = Find<QDateEdit>(&w, "DTP3Date")->date();
        const QTime time = Find<QTimeEdit>(&w, "DTP3Time")->time();
        qputenv("TZ", "CST-8");
        tzset();
        QCOMPARE(date, QDate(2021, 3, 28));
        QCOMPARE(time, QTime(2, 30, 0));
    }

    void listCellsPaintMarksBordersAndLongTexts() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = Find<FileListView>(&w, "lv1");
        FileEntry gone;
        gone.Name = "/" + std::string(400, 'n'); // a path whose times could not be read
        FileEntry differs = Row("/differs");
        differs.DiffMark = 1;
        list->rowsModel()->setRows({gone, differs});
        list->rowsModel()->setCompareColouring(true);
        list->setSelectionFlags({false, true});
        const QImage image = list->viewport()->grab().toImage();
        // The long name runs on into the empty creation time cell.
        QVERIFY(CountPixels(image, Inside(list, 0, ColCreate), [](QColor c) { return c.lightness() < 100; }) > 10);
        // The differing row stays red while selected.
        QVERIFY(CountPixels(image, Inside(list, 1, ColName),
                            [](QColor c) { return c.red() > 180 && c.green() < 110 && c.blue() < 110; }) > 5);
        // A white frame round the selected row, the selection colour inside.
        const int x = list->columnViewportPosition(ColNameTime) + list->columnWidth(ColNameTime) / 2;
        const int top = list->rowViewportPosition(1);
        QCOMPARE(Pixel(image, x, top), QColor(Qt::white));
        const QColor inside = Pixel(image, x, top + 9);
        QVERIFY(inside == QColor(150, 191, 237) || inside == QColor(215, 231, 249));
    }

    void aSelectionChangedInThousandsOfPiecesIsRepainted() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = Find<FileListView>(&w, "lv1");
        std::vector<bool> everyOther(3000);
        for (size_t i = 0; i < everyOther.size(); i += 2)
            everyOther[i] = true;
        PaintCounter painted(list->viewport());
        list->rowsModel()->setRows(NumberedRows(3000));
        list->setSelectionFlags(everyOther);
        QTRY_VERIFY(painted.count > 0);
        // Until the list is quiet: nothing left to paint.
        for (int round = 0; round < 10 && painted.count > 0; ++round) {
            painted.count = 0;
            QCoreApplication::processEvents();
        }
        QCOMPARE(painted.count, 0);
        list->InvertSelection();
        QTRY_VERIFY(painted.count > 0);
        everyOther.flip();
        QCOMPARE(list->selectionFlags(), everyOther);
    }

    void lastRowStandsTwentyPixelsAboveTheBottom() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = Find<FileListView>(&w, "lv1");
        list->rowsModel()->setRows(NumberedRows(200));
        QApplication::processEvents();
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
        QCOMPARE(list->viewport()->height() - (list->rowViewportPosition(199) + list->rowHeight(199)), 20);
    }

    void headerArrowPointsUpForAscendingAndQuickClicksEachCount() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = Find<FileListView>(&w, "lv1");
        list->rowsModel()->setRows(
            {Row("a", "2020-01-01 00:00:00"), Row("b", "2020-01-03 00:00:00"), Row("c", "2020-01-02 00:00:00")});
        QHeaderView* header = list->horizontalHeader();
        const QRect section(header->sectionViewportPosition(ColWrite), 0, header->sectionSize(ColWrite),
                            header->height());
        ClickHeader(list, ColWrite);
        const QImage up = header->viewport()->grab(section).toImage();
        ClickHeader(list, ColWrite);
        const QImage down = header->viewport()->grab(section).toImage();
        // Where the two arrows differ, the ascending one is heavier below.
        double ascY = 0, descY = 0;
        int ascN = 0, descN = 0;
        for (int y = 0; y < up.height(); ++y)
            for (int x = 0; x < up.width(); ++x) {
                const int a = Pixel(up, x, y).lightness(), d = Pixel(down, x, y).lightness();
                if (a + 40 < d) {
                    ascY += y;
                    ++ascN;
                }
                if (d + 40 < a) {
                    descY += y;
                    ++descN;
                }
            }
        QVERIFY(ascN > 0 && descN > 0);
        QVERIFY(ascY / ascN > descY / descN);
        // A second press that Qt reports as a double click reverses again.
        QCOMPARE(Names(list), (QStringList{u"b"_s, u"c"_s, u"a"_s}));
        const QPoint middle(section.center().x(), header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, middle);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, middle);
        QCOMPARE(Names(list), (QStringList{u"b"_s, u"c"_s, u"a"_s}));
        // Other buttons never sort, however quickly pressed.
        for (Qt::MouseButton other : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(header->viewport(), other, {}, middle);
            QTest::mouseDClick(header->viewport(), other, {}, middle);
            QTest::mouseRelease(header->viewport(), other, {}, middle);
            QCOMPARE(Names(list), (QStringList{u"b"_s, u"c"_s, u"a"_s}));
        }
    }

    void rowHintsStayUpFiveSeconds() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* list = Find<FileListView>(&w, "lv1");
        list->rowsModel()->setRows({Row("/hinted")});
        const QPoint at = list->visualRect(list->model()->index(0, ColName)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        QWidget* tip = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->inherits("QTipLabel") && top->isVisible()) tip = top;
        QVERIFY(tip);
        QVERIFY(static_cast<QLabel*>(tip)->text().startsWith(QStringLiteral("/hinted")));
        QList<int> intervals;
        for (const QAbstractEventDispatcher::TimerInfo& t : QAbstractEventDispatcher::instance()->registeredTimers(tip))
            intervals << t.interval;
        QVERIFY2(intervals.contains(5000), qPrintable(QString::number(intervals.value(0))));
        QToolTip::hideText();
    }

    void choosersShowFilesWithoutReadingThem() {
#ifdef Q_OS_WIN
        QSKIP("Windows updates access times lazily, if at all");
#endif
        // Files whose names tell nothing of their type, last read long ago.
        test::TempDir dir;
        const QDateTime longAgo(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        QStringList files;
        for (const char* name : {"notes", "data.dat", "blob.bin", "old.kdx"}) {
            files << QString::fromStdString(dir.file(name, "#!/bin/sh\necho some text\n"));
            QFile f(files.back());
            QVERIFY(f.open(QIODevice::ReadOnly) && f.setFileTime(longAgo, QFileDevice::FileAccessTime));
        }
        const QString before = QDir::currentPath();
        QDir::setCurrent(QString::fromStdString(dir.path()));
        for (const auto& choose :
             std::initializer_list<std::function<QString()>>{ChooseSnapshotToSave, ChooseSnapshotToOpen}) {
            bool typed = false;
            QTimer::singleShot(0, [&] {
                QFileDialog* dialog = nullptr;
                static_cast<void>(QTest::qWaitFor(
                    [&] { return (dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) != nullptr; },
                    kThreadWait));
                auto* model = dialog ? dialog->findChild<QFileSystemModel*>() : nullptr;
                // Shown with their types, which is when a type is looked for.
                typed = model && QTest::qWaitFor(
                                     [&] {
                                         return std::all_of(files.begin(), files.end(), [&](const QString& f) {
                                             const QModelIndex i = model->index(f);
                                             return i.isValid() && !model->type(i).isEmpty();
                                         });
                                     },
                                     kThreadWait);
                // Closed whatever came, so that a failed check fails rather than hangs.
                if (dialog) dialog->reject();
            });
            QCOMPARE(choose(), QString());
            QVERIFY(typed);
        }
        QDir::setCurrent(before);
        for (const QString& f : files)
            QCOMPARE(QFileInfo(f).lastRead().toUTC(), longAgo);
    }

    void locateWithoutAFileManagerOpensTheFolderByItsOwnBytes() {
#ifdef Q_OS_WIN
        QSKIP("Explorer is asked on a thread of its own through the shell");
#endif
        // No session bus, so no file manager to select the entry: its folder
        // is opened instead.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
        test::TempDir dir;
        const std::string file = dir.file("caf\xe9/x.txt"); // Latin-1, not UTF-8
        const QList<QUrl> opened = UrlsOpenedByListMenu(file, "miLocate");
        QCOMPARE(opened.size(), 1);
        QCOMPARE(LocalPathOf(opened[0]), QByteArray::fromStdString(file.substr(0, file.rfind('/'))));
    }

    void openPassesTheNamesOwnBytes() {
#ifdef Q_OS_WIN
        QSKIP("Windows names are UTF-16 text, never bytes");
#endif
        test::TempDir dir;
        const std::string file = dir.file("caf\xe9.txt"); // Latin-1, not UTF-8
        const QList<QUrl> opened = UrlsOpenedByListMenu(file, "miOpen");
        QCOMPARE(opened.size(), 1);
        QCOMPARE(LocalPathOf(opened[0]), QByteArray::fromStdString(file));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"

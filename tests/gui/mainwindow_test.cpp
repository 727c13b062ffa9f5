// The main window on the offscreen platform: layout, the radio pair, the key
// filter, and the list commands, driven the way a user drives them.

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QtTest>

#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/spinedit.h"
#include "temp_dir.h"

using namespace kdx;
using namespace kdx::gui;

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

QStringList Names(const TFileListView* list) {
    QStringList out;
    for (const FileEntry& e : list->rowsModel()->rows())
        out << QString::fromStdString(e.Name);
    return out;
}

QString CellText(const TFileListView* list, int row, int column) {
    return list->model()->index(row, column).data().toString();
}

void ClickHeader(TFileListView* list, int column) {
    QHeaderView* header = list->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
}

template <class T>
T* Find(QWidget* root, const char* name) {
    T* w = root->findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control named %s", name);
    return w;
}

// Stands in for the desktop's "open with" while a test runs.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsWithOneListAcrossTheWidth() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("Kairodex 1.99"));
        QCOMPARE(w.pc->currentIndex(), 0);
        QVERIFY(!w.Panel2->isVisible());
        QCOMPARE(w.lv1->horizontalHeader()->sectionSize(1), w.width() - 730);
        QCOMPARE(w.lv1->horizontalHeader()->sectionSize(2), 130);
        QCOMPARE(w.lv1->horizontalHeader()->sectionSize(0), 50);
        // Every control of the first page exists with its caption.
        QCOMPARE(Find<QPushButton>(&w, "bSetSelect1")->text(), QStringLiteral("修改选中"));
        QCOMPARE(Find<QToolButton>(&w, "tbAdd1")->text(), QStringLiteral("添加"));
        QCOMPARE(Find<QToolButton>(&w, "InvertSelection2")->text(), QStringLiteral("反选"));
        QCOMPARE(Find<QLineEdit>(&w, "edFileNameTimeFrom")->text(), QStringLiteral("1"));
        QCOMPARE(Find<QRadioButton>(&w, "rbDefineTime")->isChecked(), true);
        QCOMPARE(w.rgTimeItems->checkedId(), 1);
        QCOMPARE(w.lv1->model()->headerData(6, Qt::Horizontal).toString(), QStringLiteral("文件名时间"));
    }

    void widerWindowWidensOnlyTheLastColumn() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int name = w.lv1->horizontalHeader()->sectionSize(1);
        const int last = w.lv1->horizontalHeader()->sectionSize(6);
        w.resize(w.width() + 100, w.height());
        QTRY_COMPARE(w.lv1->horizontalHeader()->sectionSize(6), last + 100);
        QCOMPARE(w.lv1->horizontalHeader()->sectionSize(1), name);
    }

    void syncPageShowsBothListsAndLeavingRestoresTheWidth() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const int before = w.width();
        w.move(200, 50);
        w.pc->setCurrentIndex(2);
        QVERIFY(w.Panel2->isVisible());
        QVERIFY(SyncLayoutShown());
        const int screenWidth = w.screen()->availableGeometry().width();
        QCOMPARE(w.width(), std::max(screenWidth, layout::MinWidth));
        QCOMPARE(w.x(), 0);
        const int left = (w.width() - 10) / 2;
        QCOMPARE(w.lv1->horizontalHeader()->sectionSize(1), std::max(120, left - 710));
        QCOMPARE(w.lv2->horizontalHeader()->sectionSize(1), std::max(120, left - 710));
        w.pc->setCurrentIndex(1);
        QCOMPARE(w.width(), before);
        QCOMPARE(w.x(), 0);
        QVERIFY(!w.Panel2->isVisible());
    }

    void radioPairAndSourceGroupExcludeEachOther() {
        TfrmMain w;
        w.show();
        QTest::mouseClick(w.rgTimeItems->button(4), Qt::LeftButton);
        QVERIFY(w.rbAllToTime->isChecked());
        QVERIFY(!w.rbDefineTime->isChecked());
        QTest::mouseClick(w.rbDefineTime, Qt::LeftButton);
        QVERIFY(w.rbDefineTime->isChecked());
        QVERIFY(!w.rbAllToTime->isChecked());
        QTest::mouseClick(w.rbAllToTime, Qt::LeftButton);
        QVERIFY(w.rbAllToTime->isChecked());
        QVERIFY(!w.rbDefineTime->isChecked());
    }

    void clickingTheButtonAlreadyOnChangesNothing() {
        TfrmMain w;
        w.show();
        for (QRadioButton* on : {w.rbDefineTime, w.rbAllToTime}) {
            QRadioButton* off = on == w.rbDefineTime ? w.rbAllToTime : w.rbDefineTime;
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
        QTest::mouseClick(w.rbDefineTime, Qt::LeftButton);
        QTest::mouseClick(w.rgTimeItems->checkedButton(), Qt::LeftButton);
        QVERIFY(w.rbDefineTime->isChecked());
        QVERIFY(!w.rbAllToTime->isChecked());
    }

    void amountFieldsKeepOnlyDigitsAndFullStop() {
        TfrmMain w;
        w.show();
        w.pc->setCurrentIndex(1);
        TSpinEdit* year = Find<TSpinEdit>(&w, "seYear");
        year->findChild<QLineEdit*>()->clear();
        year->setFocus();
        QTest::keyClicks(year, QStringLiteral("12a."));
        QCOMPARE(year->text(), QStringLiteral("12."));
        QCOMPARE(year->value(), 0); // not a whole number
        year->findChild<QLineEdit*>()->setText(QStringLiteral("7"));
        QCOMPARE(year->value(), 7);
    }

    void headerClicksSortStablyAndColumnZeroKeepsOrder() {
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.lv1->rowsModel()->setRows({Row("c", "2020-01-02 00:00:00"), Row("a", "2020-01-01 00:00:00"),
                                     Row("b", "2020-01-02 00:00:00"), Row("d", "2020-01-01 00:00:00")});
        ClickHeader(w.lv1, 3);
        QCOMPARE(Names(w.lv1), (QStringList{"a", "d", "c", "b"}));
        QCOMPARE(w.lv1->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
        ClickHeader(w.lv1, 3);
        QCOMPARE(Names(w.lv1), (QStringList{"c", "b", "a", "d"}));
        ClickHeader(w.lv1, 3);
        QCOMPARE(Names(w.lv1), (QStringList{"a", "d", "c", "b"}));
        ClickHeader(w.lv1, 0);
        QVERIFY(!w.lv1->horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(Names(w.lv1), (QStringList{"a", "d", "c", "b"}));
        QCOMPARE(CellText(w.lv1, 0, 0), QStringLiteral("1"));
        QCOMPARE(CellText(w.lv1, 3, 1), QStringLiteral("b"));
    }

    void moveUpAndDownKeepBlocksAndSelection() {
        TfrmMain w;
        w.show();
        w.lv1->rowsModel()->setRows({Row("1"), Row("2"), Row("3"), Row("4"), Row("5")});
        w.lv1->setSelectionFlags({false, true, true, false, false});
        QTest::mouseClick(Find<QToolButton>(&w, "tbMoveUP1"), Qt::LeftButton);
        QCOMPARE(Names(w.lv1), (QStringList{"2", "3", "1", "4", "5"}));
        QCOMPARE(w.lv1->selectionFlags(), (std::vector<bool>{true, true, false, false, false}));
        QTest::mouseClick(Find<QToolButton>(&w, "tbMoveUP1"), Qt::LeftButton);
        QCOMPARE(Names(w.lv1), (QStringList{"2", "3", "1", "4", "5"}));
        QTest::mouseClick(Find<QToolButton>(&w, "tbMoveDown1"), Qt::LeftButton);
        QCOMPARE(Names(w.lv1), (QStringList{"1", "2", "3", "4", "5"}));
        QCOMPARE(w.lv1->selectionFlags(), (std::vector<bool>{false, true, true, false, false}));
    }

    void selectInvertRemove() {
        TfrmMain w;
        w.show();
        w.lv2->rowsModel()->setRows({Row("1"), Row("2"), Row("3")});
        w.lv2->setSelectionFlags({true, false, false});
        QTest::mouseClick(Find<QToolButton>(&w, "InvertSelection2"), Qt::LeftButton);
        QCOMPARE(w.lv2->selectionFlags(), (std::vector<bool>{false, true, true}));
        QTest::mouseClick(Find<QToolButton>(&w, "tbDel2"), Qt::LeftButton);
        QCOMPARE(Names(w.lv2), QStringList{"1"});
        QTest::mouseClick(Find<QToolButton>(&w, "tbSelectAll2"), Qt::LeftButton);
        QCOMPARE(w.lv2->selectionFlags(), std::vector<bool>{true});
        w.ExistingPaths.insert("x");
        w.PendingPaths = {"y"};
        QTest::mouseClick(Find<QToolButton>(&w, "tbDelAll2"), Qt::LeftButton);
        QCOMPARE(w.lv2->rowCount(), size_t{0});
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
        w.lv1->rowsModel()->setRows({e});
        w.pc->setCurrentIndex(1);
        const QRect cell = w.lv1->visualRect(w.lv1->model()->index(0, 1));
        QTest::mouseClick(w.lv1->viewport(), Qt::LeftButton, {}, cell.center());
        // The file does not exist: the row's own texts are shown.
        QCOMPARE(w.lWrite->text(), QStringLiteral("2020-10-31 18:18:18"));
        QCOMPARE(w.lCreate->text(), QStringLiteral("2019-01-01 00:00:00"));
        w.pc->setCurrentIndex(0);
        QTest::mouseClick(w.lv1->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(w.DTP2Date->date(), QDate(2020, 10, 31));
        QCOMPARE(w.DTP2Time->time(), QTime(18, 18, 18));
        // Back on page 1 with the row still selected the labels keep their text.
        w.pc->setCurrentIndex(1);
        QCOMPARE(w.lWrite->text(), QStringLiteral("2020-10-31 18:18:18"));
        w.lv1->clearSelection();
        w.pc->setCurrentIndex(0);
        w.pc->setCurrentIndex(1);
        QCOMPARE(w.lWrite->text(), QString());
    }

    void openOnlyExistingEntriesAndNotByDoubleClickInListB() {
        test::TempDir dir;
        const std::string file = dir.file("a.txt");
        UrlRecorder opened;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "open");
        TfrmMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.pc->setCurrentIndex(2);
        w.lv1->rowsModel()->setRows({Row(file), Row(dir / "gone.txt")});
        w.lv2->rowsModel()->setRows({Row(file)});
        const QPoint first = w.lv2->visualRect(w.lv2->model()->index(0, 1)).center();
        QTest::mouseClick(w.lv2->viewport(), Qt::LeftButton, {}, first);
        QTest::mouseDClick(w.lv2->viewport(), Qt::LeftButton, {}, first);
        QVERIFY(opened.urls.isEmpty());
        emit w.lv2->customContextMenuRequested(first);
        w.pmPopMenu->hide();
        w.miOpen->trigger();
        QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(file))});
        // List A opens on a double click, but never a path that is gone.
        const QPoint second = w.lv1->visualRect(w.lv1->model()->index(1, 1)).center();
        QTest::mouseClick(w.lv1->viewport(), Qt::LeftButton, {}, second);
        QTest::mouseDClick(w.lv1->viewport(), Qt::LeftButton, {}, second);
        QCOMPARE(opened.urls.size(), 1);
        const QPoint top = w.lv1->visualRect(w.lv1->model()->index(0, 1)).center();
        QTest::mouseClick(w.lv1->viewport(), Qt::LeftButton, {}, top);
        QTest::mouseDClick(w.lv1->viewport(), Qt::LeftButton, {}, top);
        QCOMPARE(opened.urls.size(), 2);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void creationTimeBoxesFollowThePlatform() {
        TfrmMain w;
        // Linux cannot set creation times: the boxes are cleared and say why.
        QVERIFY(!w.cbCreate1->isEnabled());
        QVERIFY(!w.cbCreate1->isChecked());
        QVERIFY(!w.cbCreate3->isChecked());
        QVERIFY(!w.cbCreate1->toolTip().isEmpty());
        QVERIFY(w.cbWrite1->isChecked());
    }

    void pickerMenuCopiesAndPastesBetweenRows() {
        TfrmMain w;
        w.show();
        QVERIFY(!w.MIPaster->isEnabled());
        w.DTP2Date->setDate(QDate(2001, 2, 3));
        w.DTP2Time->setTime(QTime(4, 5, 6));
        emit w.DTP2Time->customContextMenuRequested(QPoint(1, 1));
        w.popMenuCopy->hide();
        w.MICopy->trigger();
        QVERIFY(w.MIPaster->isEnabled());
        emit w.cbAccess1->customContextMenuRequested(QPoint(1, 1));
        w.popMenuCopy->hide();
        w.MIPaster->trigger();
        QCOMPARE(w.DTP3Date->date(), QDate(2001, 2, 3));
        QCOMPARE(w.DTP3Time->time(), QTime(4, 5, 6));
        QVERIFY(w.DTP1Date->date() != QDate(2001, 2, 3));
        // Opened on the shift page's picker, copy copies nothing; the quick-set still works.
        emit w.seTime->customContextMenuRequested(QPoint(1, 1));
        w.popMenuCopy->hide();
        w.MIAllToWrite->trigger();
        QCOMPARE(w.DTP1Date->date(), QDate(2001, 2, 3));
        QCOMPARE(w.seTime->time(), QTime(0, 0, 0));
    }
};

QTEST_MAIN(MainWindowTest)
#include "mainwindow_test.moc"

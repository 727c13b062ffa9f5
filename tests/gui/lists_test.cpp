// Whole-list commands from the window: snapshots, exchange, replace, copy,
// and the folder sync.

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <fstream>

#include "core/lists/snapshot.h"
#include "gui/dialogs.h"
#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/messages.h"
#include "gui_support.h"
#include "temp_dir.h"

using namespace kdx;
using namespace kdx::gui;

namespace {

FileEntry Row(const std::string& name, const std::string& photo = " ") {
    FileEntry e;
    e.Name = name;
    e.CreateTime = "2019-01-01 00:00:00";
    e.WriteTime = "2020-01-01 00:00:00";
    e.AccessTime = "2021-01-01 00:00:00";
    e.PhotoTime = photo;
    e.NameTime = " ";
    e.SeqNo = 7;
    e.DiffMark = 1;
    return e;
}

struct Captured {
    QStringList texts;
    QList<MessageKind> kinds;
    ScopedMessageCapture capture{[this](MessageKind k, const QString&, const QString& text) {
        kinds << k;
        texts << text;
    }};
};

QToolButton* Tool(QWidget* w, const char* name) {
    return w->findChild<QToolButton*>(QString::fromLatin1(name));
}

} // namespace

class ListsTest : public QObject {
    Q_OBJECT

private slots:
    void snapshotRoundTripIntoTheOtherList() {
        test::TempDir dir;
        const QString file = QString::fromStdString(dir / "list.kdx");
        TfrmMain w;
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows(
            {Row("/p/a.jpg", "2018-01-01 00:00:00"), Row("/p/中文.jpg")});
        Find<FileListView>(&w, "lv1")->setSelectionFlags({false, true});
        ScopedChooserAnswer answer([&](ChooserKind, const QString&) { return file; });
        QTest::mouseClick(Tool(&w, "tbSave1"), Qt::LeftButton);
        QTest::mouseClick(Tool(&w, "tbImport2"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv2")->rowCount(), size_t{2});
        const FileEntry& back = Find<FileListView>(&w, "lv2")->rowsModel()->row(1);
        QCOMPARE(back.Name, std::string("/p/中文.jpg"));
        QCOMPARE(back.PhotoTime, std::string(" "));
        QCOMPARE(back.SeqNo, 0);
        QCOMPARE(back.DiffMark, 0);
        QCOMPARE(Find<FileListView>(&w, "lv2")->rowsModel()->row(0).PhotoTime, std::string("2018-01-01 00:00:00"));
        QCOMPARE(Find<FileListView>(&w, "lv2")->selectionFlags(), (std::vector<bool>{false, true}));
    }

    void damagedSnapshotLeavesTheListAlone() {
        test::TempDir dir;
        const std::string bad = dir.file("bad.kdx", "not a snapshot at all");
        TfrmMain w;
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({Row("/keep/me")});
        Captured seen;
        ScopedChooserAnswer answer([&](ChooserKind, const QString&) { return QString::fromStdString(bad); });
        QTest::mouseClick(Tool(&w, "tbImport1"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("Unable to load tree structure, the format is wrong.")});
        QCOMPARE(seen.kinds, QList<MessageKind>{MessageKind::Error});
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{1});
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).Name, std::string("/keep/me"));
    }

    void snapshotWithATextPastItsChunkIsRefused() {
        test::TempDir dir;
        // A valid one-row snapshot whose Name length is patched to FFFFFFFF.
        std::string bytes = EncodeSnapshot({Row("/named/row")}, {false});
        const size_t name = bytes.find("/named/row");
        QVERIFY(name != std::string::npos && name >= 4);
        bytes.replace(name - 4, 4, std::string(4, '\xFF'));
        const std::string bad = dir.file("cut.kdx", bytes);
        TfrmMain w;
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({Row("/keep/me")});
        Captured seen;
        ScopedChooserAnswer answer([&](ChooserKind, const QString&) { return QString::fromStdString(bad); });
        QTest::mouseClick(Tool(&w, "tbImport1"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("Stream read error")});
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{1});
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).Name, std::string("/keep/me"));
    }

    void cancelledChoosersDoNothing() {
        TfrmMain w;
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({Row("/a")});
        Find<QLineEdit>(&w, "eSrc")->setText(QStringLiteral("/was/"));
        Captured seen;
        ScopedChooserAnswer answer([](ChooserKind, const QString&) { return QString(); });
        QTest::mouseClick(Tool(&w, "tbImport1"), Qt::LeftButton);
        QTest::mouseClick(Tool(&w, "tbSave1"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(&w, "bSrc"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{1});
        QCOMPARE(Find<QLineEdit>(&w, "eSrc")->text(), QStringLiteral("/was/"));
        QVERIFY(seen.texts.isEmpty());
    }

    void exchangeTwiceRestoresBothLists() {
        TfrmMain w;
        Find<FileListView>(&w, "lv2")->rowsModel()->setRows({Row("/b1"), Row("/b2"), Row("/b3")});
        Find<FileListView>(&w, "lv2")->setSelectionFlags({true, false, false});
        QTest::mouseClick(Find<QPushButton>(&w, "bExchange"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{3});
        QCOMPARE(Find<FileListView>(&w, "lv2")->rowCount(), size_t{0});
        QCOMPARE(Find<FileListView>(&w, "lv1")->selectionFlags(), (std::vector<bool>{true, false, false}));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).DiffMark, 0);
        QTest::mouseClick(Find<QPushButton>(&w, "bExchange"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv2")->rowsModel()->row(2).Name, std::string("/b3"));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{0});
    }

    void replaceChangesOnlyNames() {
        TfrmMain w;
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({Row("C:\\Photos\\c:\\a.jpg")});
        QTest::mouseClick(Find<QPushButton>(&w, "btReplace"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).Name, std::string("d:\\Photos\\d:\\a.jpg"));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).WriteTime, std::string("2020-01-01 00:00:00"));
        Find<FileListView>(&w, "lv2")->rowsModel()->setRows({Row("/home/Ann/x")});
        Find<QLineEdit>(&w, "edPath1")->setText(QStringLiteral("/home/ann/"));
        Find<QLineEdit>(&w, "edPath2")->setText(QStringLiteral("/srv/"));
        QTest::mouseClick(Tool(&w, "tbReplace2"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv2")->rowsModel()->row(0).Name, std::string("/srv/x"));
    }

    void copyPutsTheListOnTheClipboard() {
        TfrmMain w;
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        QTest::mouseClick(Find<QPushButton>(&w, "tbCopyInfo"), Qt::LeftButton); // empty list: clipboard kept
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        Find<FileListView>(&w, "lv1")->rowsModel()->setRows({Row("/a"), Row("/b", "2018-01-01 00:00:00")});
        QTest::mouseClick(Tool(&w, "tbCopyInfo1"), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("序号\t名称\t创建时间\t修改时间\t访问时间\t拍摄时间\t文件名时间\r\n"
                                "1\t/a\t2019-01-01 00:00:00\t2020-01-01 00:00:00\t2021-01-01 00:00:00\t\t\r\n"
                                "2\t/b\t2019-01-01 00:00:00\t2020-01-01 00:00:00\t2021-01-01 00:00:00\t2018-01-01 "
                                "00:00:00\t\r\n"));
    }

    void folderSyncWithItsRefusals() {
        test::TempDir dir;
        const std::string src = dir.file("src/a.jpg"), dst = dir.file("dst/a.jpg");
        const std::string only = dir.file("dst/only.jpg");
        test::TempDir::setTimes(src, 1500000000, 1500000000);
        test::TempDir::setTimes(only, 1400000000, 1400000000);
        TfrmMain w;
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(2);
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSyncDir"), Qt::LeftButton);
        QCOMPARE(seen.texts.last(), QStringLiteral("指定的目录不存在！"));
        ScopedChooserAnswer answer([&](ChooserKind, const QString&) { return QString::fromStdString(dir / "src"); });
        QTest::mouseClick(Find<QPushButton>(&w, "bSrc"), Qt::LeftButton);
        QCOMPARE(Find<QLineEdit>(&w, "eSrc")->text(), QString::fromStdString(dir / "src/"));
        Find<QLineEdit>(&w, "eDst")->setText(QString::fromStdString(dir / "src"));
        QTest::mouseClick(Find<QPushButton>(&w, "bSyncDir"), Qt::LeftButton);
        QCOMPARE(seen.texts.last(), QStringLiteral("源目录和目标目录相同！"));
        // The same folder spelt another way is still the same folder.
        Find<QLineEdit>(&w, "eDst")->setText(QString::fromStdString(dir / "dst/../src/."));
        seen.texts.clear();
        QTest::mouseClick(Find<QPushButton>(&w, "bSyncDir"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("源目录和目标目录相同！")});
        Find<QLineEdit>(&w, "eDst")->setText(QString::fromStdString(dir / "dst"));
        QTest::mouseClick(Find<QPushButton>(&w, "bSyncDir"), Qt::LeftButton);
        QCOMPARE(seen.texts.last(), QStringLiteral("同步完成！"));
        EntryTimes s, t, o;
        ReadStampTexts(src, s);
        ReadStampTexts(dst, t);
        ReadStampTexts(only, o);
        QCOMPARE(t.WriteTime, s.WriteTime);
        QCOMPARE(o.WriteTime, std::string("2014-05-14 00:53:20"));
    }
};

QTEST_MAIN(ListsTest)
#include "lists_test.moc"

// The commands of the three working pages, clicked as a user clicks them, on
// real files; what the user reads is the list and the closing message.

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QtTest>

#include "core/common/report.h"
#include "fake_platform.h"
#include "gui/filelistview.h"
#include "gui/mainwindow.h"
#include "gui/messages.h"
#include "gui/spinedit.h"
#include "gui_support.h"
#include "platform/platform.h"
#include "temp_dir.h"

using namespace kdx;
using namespace kdx::gui;
using namespace Qt::StringLiterals;

namespace {

struct Captured {
    QStringList texts;
    QStringList captions;
    ScopedMessageCapture capture{[this](MessageKind, const QString& caption, const QString& text) {
        captions << caption;
        texts << text;
    }};
};

std::string WriteTimeOf(const std::string& path) {
    EntryTimes t;
    ReadStampTexts(path, t);
    return t.WriteTime;
}

// The journal kept in a folder of the test's own while it lives.
class OwnJournal {
public:
    explicit OwnJournal(const std::string& folder) : m_old(qgetenv("KAIRODEX_JOURNAL")) {
        qputenv("KAIRODEX_JOURNAL", QByteArray::fromStdString(folder));
    }
    ~OwnJournal() { qputenv("KAIRODEX_JOURNAL", m_old); }
    OwnJournal(const OwnJournal&) = delete;
    OwnJournal& operator=(const OwnJournal&) = delete;

private:
    QByteArray m_old;
};

// A disk that fills up once a journal's header is on it.
class JournalDiskFills : public test::FakePlatform {
public:
    Result<std::unique_ptr<OutputFile>> createNewFile(const std::string& path) override {
        Result<std::unique_ptr<OutputFile>> file = FakePlatform::createNewFile(path);
        if (!file) return file;
        return std::unique_ptr<OutputFile>(std::make_unique<Filling>(std::move(*file)));
    }

private:
    class Filling final : public OutputFile {
    public:
        explicit Filling(std::unique_ptr<OutputFile> file) : m_file(std::move(file)) {}
        Status append(std::string_view data) override {
            if (m_appends++ > 0) return Failure{28, "No space left on device"};
            return m_file->append(data);
        }
        Status sync() override { return m_file->sync(); }

    private:
        std::unique_ptr<OutputFile> m_file;
        int m_appends = 0;
    };
};

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

private slots:
    void setSelectedToFixedValues() {
        test::TempDir dir;
        const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {a, b});
        Captured seen;
        // Nothing selected: nothing happens, not even a message.
        QTest::mouseClick(Find<QPushButton>(&w, "bSetSelect1"), Qt::LeftButton);
        QVERIFY(seen.texts.isEmpty());
        Find<FileListView>(&w, "lv1")->setSelectionFlags({false, true});
        Find<QDateEdit>(&w, "DTP2Date")->setDate(QDate(2001, 2, 3));
        Find<QTimeEdit>(&w, "DTP2Time")->setTime(QTime(4, 5, 6));
        Find<QCheckBox>(&w, "cbAccess1")->setChecked(false);
        // Only the modification time: Wine keeps no creation times.
        Find<QCheckBox>(&w, "cbCreate1")->setChecked(false);
        QTest::mouseClick(Find<QPushButton>(&w, "bSetSelect1"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("修改完成！")});
        QCOMPARE(seen.captions, QStringList{QStringLiteral("提示")});
        QCOMPARE(WriteTimeOf(b), std::string("2001-02-03 04:05:06"));
        QVERIFY(WriteTimeOf(a) != "2001-02-03 04:05:06");
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(1).WriteTime, std::string("2001-02-03 04:05:06"));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(1).Name, b); // the changed row went back to its place
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).Name, a);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).WriteTime, WriteTimeOf(a));
        QCOMPARE(Find<FileListView>(&w, "lv1")->selectionFlags(), (std::vector<bool>{false, true}));
    }

    void undoTakesBackTheLastWriteAfterAsking() {
        test::TempDir dir;
        const QByteArray oldJournal = qgetenv("KAIRODEX_JOURNAL");
        qputenv("KAIRODEX_JOURNAL", QByteArray::fromStdString(dir / "journal"));
        const std::string a = dir.file("a.txt");
        test::TempDir::setTimes(a, 1614530000, 1614530000);
        const std::string before = WriteTimeOf(a);
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {a});
        Find<QDateEdit>(&w, "DTP2Date")->setDate(QDate(2001, 2, 3));
        Find<QCheckBox>(&w, "cbCreate1")->setChecked(false);
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSetAll1"), Qt::LeftButton);
        QVERIFY(WriteTimeOf(a) != before);
        QTest::mouseClick(Find<QPushButton>(&w, "bUndo"), Qt::LeftButton);
        QCOMPARE(seen.texts.size(), 3);
        QVERIFY2(seen.texts[1].startsWith(u"撤销“kairodex 修改全部”"_s), qPrintable(seen.texts[1]));
        QVERIFY2(seen.texts[1].endsWith(u"1 项）？"_s), qPrintable(seen.texts[1])); // one file, two of its times
        QCOMPARE(seen.texts[2], QStringLiteral("撤销完成！"));
        QCOMPARE(WriteTimeOf(a), before);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).WriteTime, before); // the row shows it
        // Nothing more to take back; Ctrl+Z does the same as the button.
        auto* undo = Find<QAction>(&w, "actUndo");
        QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
        undo->trigger();
        QCOMPARE(seen.texts.last(), QStringLiteral("没有可以撤销的修改。"));
        // The other pages that write have the button too.
        for (const char* name : {"bUndo2", "bUndo3"}) {
            seen.texts.clear();
            QTest::mouseClick(Find<QPushButton>(&w, name), Qt::LeftButton);
            QCOMPARE(seen.texts, QStringList{QStringLiteral("没有可以撤销的修改。")});
        }
        qputenv("KAIRODEX_JOURNAL", oldJournal);
    }

    void undoTellsWhatItLeftAloneAndWhatItCannotRead() {
        test::TempDir dir;
        const OwnJournal journal(dir / "journal");
        const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
        test::TempDir::setTimes(a, 1614530000, 1614530000);
        test::TempDir::setTimes(b, 1614530000, 1614530000);
        const std::string before = WriteTimeOf(a);
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {a, b});
        Find<QDateEdit>(&w, "DTP2Date")->setDate(QDate(2001, 2, 3));
        Find<QCheckBox>(&w, "cbCreate1")->setChecked(false);
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSetAll1"), Qt::LeftButton);
        test::TempDir::setTimes(b, 1500000000, 1500000000); // changed since
        const std::string changed = WriteTimeOf(b);
        seen.texts.clear();
        QTest::mouseClick(Find<QPushButton>(&w, "bUndo"), Qt::LeftButton);
        QCOMPARE(seen.texts.size(), 2);
        QVERIFY2(seen.texts[0].endsWith(u"2 项）？"_s), qPrintable(seen.texts[0]));
        QCOMPARE(seen.texts[1],
                 u"撤销完成！下列文件未恢复：\r\n"_s + QString::fromStdString(b) + u"\t此后已被修改，未恢复\r\n"_s);
        QCOMPARE(WriteTimeOf(a), before);
        QCOMPARE(WriteTimeOf(b), changed);

        // A newer record that cannot be read may be the last command: the
        // older one is taken back in its place only when the user, told
        // so, still wants it.
        const std::string foreign = dir.file("journal/9.kdxj", "not a journal");
        seen.texts.clear();
        QTest::mouseClick(Find<QPushButton>(&w, "bUndo"), Qt::LeftButton);
        QCOMPARE(seen.texts.size(), 2);
        QVERIFY2(seen.texts[0].startsWith(u"撤销日志中较新的记录无法读取，最后的命令可能就在其中：\r\n"_s +
                                          QString::fromStdString(foreign)),
                 qPrintable(seen.texts[0]));
        QVERIFY2(seen.texts[0].contains(u"\r\n\r\n仍然撤销“kairodex 修改全部”"_s), qPrintable(seen.texts[0]));
        QVERIFY2(seen.texts[1].startsWith(u"撤销完成！下列文件未恢复"_s), qPrintable(seen.texts[1]));
        QCOMPARE(WriteTimeOf(b), changed);
    }

    void aJournalThatCannotBeWrittenIsSaid() {
        test::TempDir dir;
        const std::string a = dir.file("a.txt");
        const std::string before = WriteTimeOf(a);
        {
            // No journal can be kept where a file stands: nothing is changed.
            const OwnJournal journal(dir.file("a-file"));
            TfrmMain w;
            w.AddPathsToList(Find<FileListView>(&w, "lv1"), {a});
            Find<QDateEdit>(&w, "DTP2Date")->setDate(QDate(2001, 2, 3));
            Captured seen;
            QTest::mouseClick(Find<QPushButton>(&w, "bSetAll1"), Qt::LeftButton);
            QCOMPARE(seen.texts.size(), 1);
            QVERIFY2(seen.texts[0].startsWith(u"无法写入撤销日志 "_s), qPrintable(seen.texts[0]));
            QVERIFY2(seen.texts[0].endsWith(u"\r\n什么也没有修改。"_s), qPrintable(seen.texts[0]));
            QCOMPARE(WriteTimeOf(a), before);
        }
        // The disk fills up after the journal's header: the file is not
        // changed, and the message says why.
        JournalDiskFills fake;
        fake.sep = hostPlatform().separator();
        fake.ignoreCase = fake.sep == '\\';
        const std::string root = dir.folder("fake");
        const std::string file = root + fake.sep + "a.txt";
        fake.addFolder(root);
        fake.addFile(file);
        ScopedPlatform use(fake);
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {file});
        Find<QCheckBox>(&w, "cbCreate1")->setChecked(false);
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSetAll1"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{u"修改完成！下列文件修改失败：\r\n"_s + QString::fromStdString(file) +
                                         u"\r\n无法写入撤销日志：No space left on device\r\n"_s});
        QVERIFY(fake.node(file)->lastWrite == FileTime{});
    }

    void folderSyncListsAFolderItCouldNotSearch() {
        test::TempDir dir;
        test::FakePlatform fake;
        fake.sep = hostPlatform().separator();
        fake.ignoreCase = fake.sep == '\\';
        const std::string root = dir.folder("fake");
        const std::string source = root + fake.sep + "s", target = root + fake.sep + "t";
        const std::string locked = target + fake.sep + "locked" + fake.sep;
        fake.addFolder(root);
        fake.addFolder(source);
        fake.addFolder(target);
        fake.addFolder(target + fake.sep + "locked");
        fake.refused[locked] = Failure{13, "Permission denied"};
        ScopedPlatform use(fake);
        TfrmMain w;
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(2);
        Find<QLineEdit>(&w, "eSrc")->setText(QString::fromStdString(source));
        Find<QLineEdit>(&w, "eDst")->setText(QString::fromStdString(target));
        Find<QCheckBox>(&w, "cbSubDir")->setChecked(true);
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSyncDir"), Qt::LeftButton);
        FailureList expected;
        expected.add(locked);
        QCOMPARE(seen.texts, QStringList{QString::fromStdString(ClosingMessage(DoneSynced, FailedSynced, expected))});
    }

    void failuresAreListedInTheClosingMessage() {
        test::TempDir dir;
        const std::string a = dir.file("a.txt");
        const std::string gone = dir / "gone.txt";
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {a, gone});
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSetAll1"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("修改完成！下列文件修改失败：\r\n") +
                                         QString::fromStdString(gone) + u"\r\n"_s});
    }

    void sourceModeTakesTheFileNameTime() {
        test::TempDir dir;
        const std::string p = dir.file("IMG_20200102_030405.jpg");
        const std::string q = dir.file("plain.jpg");
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {p, q});
        const std::string before = WriteTimeOf(q);
        QTest::mouseClick(Find<QButtonGroup>(&w, "rgTimeItems")->button(7), Qt::LeftButton);
        QVERIFY(Find<QRadioButton>(&w, "rbAllToTime")->isChecked());
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSetAll1"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("修改完成！")});
        QCOMPARE(WriteTimeOf(p), std::string("2020-01-02 03:04:05"));
        QCOMPARE(WriteTimeOf(q), before); // no name time: passed over silently
    }

    void shiftMovesEachFileByTheAmount() {
        test::TempDir dir;
        const std::string a = dir.file("a.txt");
        test::TempDir::setTimes(a, 1614530000, 1614530000); // 2021-03-01 00:33:20 at UTC+8
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {a});
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(1);
        Find<QComboBox>(&w, "cbAdd")->setEditText(QStringLiteral("-"));
        Find<QTimeEdit>(&w, "seTime")->setTime(QTime(1, 0, 0));
        Find<SpinEdit>(&w, "seDay")->findChild<QLineEdit*>()->setText(QStringLiteral("1"));
        Find<FileListView>(&w, "lv1")->SelectAllRows();
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "bSetSelect2"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("修改完成！")});
        QCOMPARE(WriteTimeOf(a), std::string("2021-02-27 23:33:20"));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).WriteTime, std::string("2021-02-27 23:33:20"));
    }

    void compareColoursListAAndSyncCopiesBsTimes() {
        test::TempDir dir;
        const std::string a1 = dir.file("a/1.txt"), a2 = dir.file("a/2.txt");
        const std::string b1 = dir.file("b/1.txt"), b2 = dir.file("b/2.txt");
        test::TempDir::setTimes(a1, 1500000000, 1500000000);
        test::TempDir::setTimes(b1, 1500000000, 1500000000);
        test::TempDir::setTimes(a2, 1500000000, 1500000000);
        test::TempDir::setTimes(b2, 1600000000, 1600000000);
        TfrmMain w;
        Find<QTabWidget>(&w, "pc")->setCurrentIndex(2);
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {a1, a2});
        w.AddPathsToList(Find<FileListView>(&w, "lv2"), {b1, b2});
        Captured seen;
        QTest::mouseClick(Find<QToolButton>(&w, "sbCompare"), Qt::LeftButton);
        QVERIFY(w.compareMode());
        QVERIFY(seen.texts.isEmpty()); // a compare shows no message
        const QAbstractItemModel* m = Find<FileListView>(&w, "lv1")->model();
        QCOMPARE(m->index(0, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 0));
        QCOMPARE(m->index(1, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
        // Only B's second row selected: that pair is synchronised.
        Find<FileListView>(&w, "lv2")->setSelectionFlags({false, true});
        QTest::mouseClick(Find<QPushButton>(&w, "bSyncSelect"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("同步完成！")});
        QCOMPARE(WriteTimeOf(a2), WriteTimeOf(b2));
        QCOMPARE(m->index(1, 1).data(Qt::ForegroundRole).value<QColor>(), QColor(0, 128, 0));
        QTest::mouseClick(Find<QToolButton>(&w, "sbCompare2"), Qt::LeftButton);
        QVERIFY(!w.compareMode());
        QVERIFY(!m->index(1, 1).data(Qt::ForegroundRole).isValid());
    }

    void compareNeedsBothLists() {
        test::TempDir dir;
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {dir.file("x")});
        QTest::mouseClick(Find<QToolButton>(&w, "sbCompare"), Qt::LeftButton);
        QVERIFY(!w.compareMode());
    }

    void weChatRenameRenamesAndReports() {
        test::TempDir dir;
        const std::string p = dir.file("mmexport1604139498000.jpg", "new");
        const std::string taken = dir.file("1604139498000.mp4");
        dir.file("mmexport_20201031_181818.mp4", "already there");
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {p, taken});
        Captured seen;
        QTest::mouseClick(Find<QPushButton>(&w, "btRenameWeiXinFile"), Qt::LeftButton);
        QCOMPARE(seen.texts, QStringList{QStringLiteral("重命名完成!下列文件修改失败：\r\n") +
                                         QString::fromStdString(taken) + u"\r\n"_s});
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).Name, dir / "mmexport_20201031_181818.jpg");
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(1).Name, taken);
        QVERIFY(sys().fileExists(dir / "mmexport_20201031_181818.jpg"));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).PhotoTime, std::string("2020-10-31 18:18:18"));
    }

    void nameTimeButtonFillsThePhotoColumn() {
        test::TempDir dir;
        TfrmMain w;
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), {dir.file("x_2019-04-16-11-19-37.png"), dir.file("y.png")});
        QTest::mouseClick(Find<QPushButton>(&w, "btGetFileNameTime"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).PhotoTime, std::string("2019-04-16 11:19:37"));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(1).PhotoTime, std::string(" "));
    }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"

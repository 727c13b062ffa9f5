// Adding files through the dialog and by dropping them onto a list.

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <thread>

#include "core/common/progress.h"
#include "fake_platform.h"
#include "gui/addfiles.h"
#include "gui/filelistview.h"
#include "gui/foldertree.h"
#include "gui/mainwindow.h"
#include "gui/progress.h"
#include "gui_support.h"
#include "temp_dir.h"

using namespace kdx;
using namespace kdx::gui;

namespace {

QStringList Names(const FileListView* list) {
    QStringList out;
    for (const FileEntry& e : list->rowsModel()->rows())
        out << QString::fromStdString(e.Name);
    return out;
}

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

void Drop(FileListView* list, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    // A drop reaches only the widget that accepted the drag's entry.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &drop);
}

// What the user's click on the dialog's OK does.
void ClickOk(TAddFilefrm* dlg) {
    QTest::mouseClick(Find<QPushButton>(dlg, "Ok"), Qt::LeftButton);
}

// Clicks OK once the dialog about to open runs its own event loop.
void ClickOkOnceOpen(TAddFilefrm* dlg) {
    QTimer::singleShot(0, dlg, [dlg] { ClickOk(dlg); });
}

// Records whether the progress window was shown and every caption it had.
class ProgressWatch : public QObject {
public:
    explicit ProgressWatch(TfrmScanning* w) : m_w(w) { w->installEventFilter(this); }
    bool shown = false;
    QStringList captions;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) shown = true;
        if (e->type() == QEvent::WindowTitleChange) captions << m_w->windowTitle();
        return false;
    }

private:
    TfrmScanning* m_w;
};

// A tree whose sub-folder search waits until the test lets it go, so that
// the test can act while the dialog's scan is under way.
class HeldScan : public test::FakePlatform {
public:
    std::atomic<bool> entered{false};
    std::atomic<bool> released{false};

    Status listDirectory(const std::string& folder, std::string_view pattern, bool directoriesOnly,
                         std::vector<DirEntry>& out) override {
        // Only the scan's searches: the dialog's folder tree lists with "*".
        if (folder.find(sep + std::string("sub")) != std::string::npos && pattern != "*") {
            entered = true;
            while (!released)
                std::this_thread::yield();
        }
        return FakePlatform::listDirectory(folder, pattern, directoriesOnly, out);
    }
};

// A disk whose answers wait until the test lets them go (or, should the
// window never get to let them go, a minute once).
class SlowDisk : public test::FakePlatform {
public:
    std::atomic<bool> released{false};
    std::atomic<bool> gaveUp{false};

    Result<EntryInfo> findEntry(const std::string& path) override {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!released && !gaveUp && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        if (!released) gaveUp = true; // the window never answered: stop waiting at all
        return FakePlatform::findEntry(path);
    }
};

} // namespace

class AddingTest : public QObject {
    Q_OBJECT

private slots:
    void dialogAddsSelectedFilesSortedOnce() {
        test::TempDir dir;
        dir.file("b.jpg", "x");
        dir.file("A.JPG", "x");
        dir.file("c.txt", "x");
        dir.file("sub/d.jpg", "x");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->setCurrentFolder(Q(dir.path()));
        auto* filter = Find<QLineEdit>(dlg, "edFilter");
        auto* files = Find<QListWidget>(dlg, "FileList");
        filter->setText(QStringLiteral("*.jpg"));
        QTest::keyClick(filter, Qt::Key_End); // an edit runs the filter
        QTest::keyClicks(filter, QStringLiteral(";*.JPG"));
        QCOMPARE(files->count(), 2); // sub-folders are not files
        QCOMPARE(files->selectedItems().size(), 2);
        ClickOkOnceOpen(dlg);
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("tbAdd1")), Qt::LeftButton);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), (QStringList{Q(dir / "A.JPG"), Q(dir / "b.jpg")}));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(1).SeqNo, 2);
        QVERIFY(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).WriteTime.size() == 19);
        // The same choice again adds nothing.
        ClickOkOnceOpen(dlg);
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("tbAdd1")), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{2});
        QVERIFY(w.ExistingPaths.empty());
        QVERIFY(w.PendingPaths.empty());
    }

    void dialogScansTheTreeWithRepeatedMasksOnce() {
        test::TempDir dir;
        dir.file("a/x.jpg");
        dir.file("a/sub/y.jpg");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->setCurrentFolder(Q(dir / "a"));
        Find<QLineEdit>(dlg, "edFilter")->setText(QString());
        QTest::keyClicks(Find<QLineEdit>(dlg, "edFilter"), QStringLiteral("*.jpg;*.JPG"));
        Find<QCheckBox>(dlg, "cbSubDir")->setChecked(true);
        Find<QCheckBox>(dlg, "cbDirInclude")->setChecked(true);
        ClickOkOnceOpen(dlg);
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("tbAdd2")), Qt::LeftButton);
        // Into an empty list, still each path once; folders before their own files.
        QCOMPARE(Names(Find<FileListView>(&w, "lv2")),
                 (QStringList{Q(dir / "a/"), Q(dir / "a/sub/"), Q(dir / "a/sub/y.jpg"), Q(dir / "a/x.jpg")}));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{0});
    }

    void cancelAddsNothing() {
        test::TempDir dir;
        dir.file("a.jpg");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->setCurrentFolder(Q(dir.path()));
        QTimer::singleShot(0, dlg, [dlg] { QTest::mouseClick(Find<QPushButton>(dlg, "Cancle"), Qt::LeftButton); });
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("tbAdd1")), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{0});
    }

    void browsingFoldersLeavesAccessTimesAlone() {
        test::TempDir dir;
        std::vector<std::string> files;
        for (const char* n : {"notes", "data.dat", "blob.bin", "old.kdx"}) {
            files.push_back(dir.file(std::string("in/") + n, "some bytes that are not a known type"));
            test::TempDir::setTimes(files.back(), 1000000000, 900000000); // read before written: reads move it
        }
        const auto accessed = [](const std::string& path) {
            struct stat st {};
            return ::stat(path.c_str(), &st) == 0 ? int64_t(st.st_atime) : int64_t(-1);
        };
        {
            const std::string probe = dir.file("probe", "x");
            test::TempDir::setTimes(probe, 1000000000, 900000000);
            std::ifstream(probe).get();
            if (accessed(probe) == 900000000) QSKIP("this file system does not record reads");
        }
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        auto* tree = dlg->findChild<FolderTree*>();
        QVERIFY(tree);
        QSignalSpy listed(tree, &FolderTree::listed);
        dlg->setCurrentFolder(Q(dir / "in"));
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(listed.begin(), listed.end(),
                                             [&](const QList<QVariant>& args) {
                                                 return args.at(0).toByteArray() ==
                                                        QByteArray::fromStdString(dir / "in");
                                             }),
                                 kThreadWait);
        QCOMPARE(Find<QListWidget>(dlg, "FileList")->count(), 4);
        for (const std::string& f : files)
            QCOMPARE(accessed(f), int64_t(900000000));
    }

    void foldersThatAreNotUtf8AreListedAndEntered() {
#ifdef Q_OS_WIN
        QSKIP("Windows names are UTF-16 text, never bytes");
#endif
        test::TempDir dir;
        const std::string folder = dir.path() + "caf\xe9"; // Latin-1, not UTF-8
        dir.file("caf\xe9/in.txt");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        auto* tree = dlg->findChild<FolderTree*>();
        auto* folders = Find<QTreeView>(dlg, "DirList");
        auto* typing = Find<QLineEdit>(dlg, "edDir");
        dlg->setCurrentFolder(Q(dir.path()));
        // Listed under its parent...
        QModelIndex shown;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QModelIndex parent = folders->currentIndex();
                for (int r = 0; r < tree->rowCount(parent); ++r)
                    if (tree->pathOf(tree->index(r, 0, parent)) == folder) shown = tree->index(r, 0, parent);
                return shown.isValid();
            }(),
            kThreadWait);
        // ...entered from the list...
        folders->setCurrentIndex(shown);
        QCOMPARE(dlg->currentFolderPath(), folder);
        QCOMPARE(Find<QListWidget>(dlg, "FileList")->count(), 1);
        // ...and typed as it is shown.
        const QString typed = typing->text();
        dlg->setCurrentFolder(Q(dir.path()));
        typing->setText(typed);
        QTest::keyClick(typing, Qt::Key_Return);
        QCOMPARE(dlg->currentFolderPath(), folder);
        ClickOk(dlg);
        QCOMPARE(dlg->takeCandidates(), std::vector<std::string>{folder + "/in.txt"});
    }

    void cancelDuringATreeScanAddsNothing() {
        test::TempDir dir;
        const std::string root = dir.folder("a");
        HeldScan fake;
        // The folder the dialog shows is a real one, in the host's own terms.
        fake.sep = hostPlatform().separator();
        fake.ignoreCase = fake.sep == '\\';
        const std::string sep(1, fake.sep);
        fake.addFolder(root);
        fake.addFile(root + sep + "x.jpg");
        fake.addFolder(root + sep + "sub");
        fake.addFile(root + sep + "sub" + sep + "y.jpg");
        ScopedPlatform use(fake);
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->setCurrentFolder(Q(root));
        Find<QCheckBox>(dlg, "cbSubDir")->setChecked(true);
        bool stayedOpen = false;
        QTimer::singleShot(0, dlg, [&] {
            QTimer::singleShot(0, dlg, [&] {
                while (!fake.entered)
                    std::this_thread::yield();
                QTest::keyClick(dlg, Qt::Key_Escape);
                stayedOpen = dlg->isVisible(); // still modal until the scan stops
                fake.released = true;
            });
            ClickOk(dlg);
        });
        QTest::mouseClick(w.findChild<QToolButton*>(QStringLiteral("tbAdd1")), Qt::LeftButton);
        QVERIFY(fake.released);
        QVERIFY(stayedOpen);
        QVERIFY(!dlg->isVisible());
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{0});
        QVERIFY(w.PendingPaths.empty());
        QVERIFY(!w.busy());
    }

    void typedFolderIsFollowedOnceTypingPauses() {
        test::TempDir dir;
        dir.file("a.txt");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        const QString start = dlg->currentFolder();
        Find<QLineEdit>(dlg, "edDir")->clear();
        QTest::keyClicks(Find<QLineEdit>(dlg, "edDir"), Q(dir.path()));
        QCOMPARE(dlg->currentFolder(), start);
        QTRY_COMPARE(dlg->currentFolder(), QDir::toNativeSeparators(QDir(Q(dir.path())).absolutePath()));
        QCOMPARE(Find<QListWidget>(dlg, "FileList")->count(), 1);
    }

    void returnMeansOkAtEveryOpening() {
        test::TempDir dir;
        dir.file("a/x.txt");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->setCurrentFolder(Q(dir / "a"));
        Find<QCheckBox>(dlg, "cbSubDir")->setChecked(true);
        ClickOkOnceOpen(dlg);
        QTest::mouseClick(Find<QToolButton>(&w, "tbAdd1"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{1});
        dir.file("a/y.txt");
        QTimer::singleShot(0, dlg, [dlg] {
            QWidget* focused = dlg->focusWidget() ? dlg->focusWidget() : dlg;
            QTest::keyClick(focused, Qt::Key_Return);
        });
        QTest::mouseClick(Find<QToolButton>(&w, "tbAdd1"), Qt::LeftButton);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{2});
    }

    void okUsesTheFolderEdDirShows() {
        test::TempDir dir;
        dir.file("a/x.txt");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->setCurrentFolder(Q(dir / "a"));
        auto* typing = Find<QLineEdit>(dlg, "edDir");
        // A typed name that is no folder: OK adds nothing and shows the folder in use.
        typing->setText(Q(dir / "a/missing"));
        ClickOk(dlg);
        QVERIFY(dlg->takeCandidates().empty());
        QCOMPARE(typing->text(), Q(dir / "a/"));
        // A typed folder is the one OK takes, even before typing paused.
        dir.file("b/y.txt");
        typing->setText(Q(dir / "b"));
        ClickOk(dlg);
        QCOMPARE(dlg->takeCandidates(), std::vector<std::string>{dir / "b/y.txt"});
    }

    void everyOpeningRereadsFilesAndDrives() {
        test::TempDir dir;
        const std::string gone = dir.file("gone.txt");
        dir.file("kept.txt");
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        QStringList drives{QStringLiteral("/")};
        dlg->setDriveSource([&] { return drives; });
        dlg->setCurrentFolder(Q(dir.path()));
        std::remove(gone.c_str());
        dir.file("new.txt");
        drives << QStringLiteral("/media/card");
        QStringList files, roots;
        QTimer::singleShot(0, dlg, [&] {
            const auto* fileList = Find<QListWidget>(dlg, "FileList");
            for (int i = 0; i < fileList->count(); ++i)
                files << fileList->item(i)->text();
            const auto* driveList = Find<QComboBox>(dlg, "DriveComboBox1");
            for (int i = 0; i < driveList->count(); ++i)
                roots << driveList->itemText(i);
            QTest::mouseClick(Find<QPushButton>(dlg, "Cancle"), Qt::LeftButton);
        });
        QTest::mouseClick(Find<QToolButton>(&w, "tbAdd1"), Qt::LeftButton);
        QCOMPARE(files, (QStringList{QStringLiteral("kept.txt"), QStringLiteral("new.txt")}));
        QCOMPARE(roots, drives);
    }

    void filterFieldShowsThreeKinds() {
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg));
        const auto* filter = Find<QLineEdit>(dlg, "edFilter");
        const int needed = filter->fontMetrics().horizontalAdvance(QStringLiteral("*.jpg;*.png;*.heic"));
        QVERIFY2(filter->width() >= needed + 8, qPrintable(QString::number(filter->width())));
        dlg->hide();
    }

    void dialogSelectionButtons() {
        test::TempDir dir;
        for (const char* n : {"1.txt", "2.txt", "3.txt"})
            dir.file(n);
        TfrmMain w;
        TAddFilefrm* dlg = w.addFilesDialog();
        auto* files = Find<QListWidget>(dlg, "FileList");
        dlg->setCurrentFolder(Q(dir.path()));
        QCOMPARE(Find<QLineEdit>(dlg, "edDir")->text(), Q(dir.path()));
        QCOMPARE(files->selectedItems().size(), 3);
        QTest::mouseClick(Find<QPushButton>(dlg, "SelectNone"), Qt::LeftButton);
        QCOMPARE(files->selectedItems().size(), 0);
        files->item(1)->setSelected(true);
        QTest::mouseClick(Find<QPushButton>(dlg, "InverseSelect"), Qt::LeftButton);
        QVERIFY(files->item(0)->isSelected());
        QVERIFY(!files->item(1)->isSelected());
        Find<QCheckBox>(dlg, "cbAutoSelAll")->setChecked(false);
        dlg->setCurrentFolder(Q(dir.path()));
        QCOMPARE(files->selectedItems().size(), 0);
        // With only "仅路径" nothing is added.
        Find<QCheckBox>(dlg, "cbOnlyDir")->setChecked(true);
        ClickOk(dlg);
        QVERIFY(dlg->takeCandidates().empty());
    }

    void progressWindowFromAThousandPaths() {
        test::TempDir dir;
        std::vector<std::string> paths;
        for (int i = 0; i < 1000; ++i)
            paths.push_back(dir / ("f" + std::to_string(i)));
        TfrmMain w;
        ProgressWatch watch(w.progressWindow());
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), std::vector<std::string>(paths.begin(), paths.begin() + 999));
        QVERIFY(!watch.shown);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{999});
        Find<FileListView>(&w, "lv1")->RemoveAllRows();
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), paths);
        QVERIFY(watch.shown);
        QVERIFY(!w.progressWindow()->isVisible());
        // Every step from the first path on: [0.10%], [1.10%] ... [99.10%];
        // then the window's own caption again.
        QStringList steps;
        for (const ProgressUpdate& u : ProgressUpdates(ScanningCaption, 1000))
            steps << QString::fromStdString(u.caption);
        steps << QStringLiteral("正在扫描添加文件，请稍候...");
        QCOMPARE(watch.captions, steps);
        QCOMPARE(w.progressWindow()->windowTitle(), QStringLiteral("正在扫描添加文件，请稍候..."));
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{1000});
        // Missing entries are still added, with empty times.
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(999).WriteTime, std::string());
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(999).SeqNo, 1000);
    }

    void theWindowAnswersWhileASlowDiskIsRead() {
        SlowDisk disk;
        disk.sep = '/';
        disk.ignoreCase = false;
        disk.addFolder("/card");
        std::vector<std::string> paths;
        for (int i = 0; i < 20; ++i) {
            paths.push_back("/card/f" + std::to_string(i) + ".txt");
            disk.addFile(paths.back());
        }
        ScopedPlatform use(disk);
        TfrmMain w;
        QTimer::singleShot(0, &w, [&] { disk.released = true; });
        w.AddPathsToList(Find<FileListView>(&w, "lv1"), paths);
        QVERIFY(!disk.gaveUp);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{20});
    }

    void dropsOntoEitherList() {
        test::TempDir dir;
        dir.file("in/a.jpg");
        dir.file("in/b.txt");
        dir.file("in/deep/c.jpg");
        dir.file("x.txt");
        TfrmMain w;
        auto* filter = Find<QLineEdit>(w.addFilesDialog(), "edFilter");
        filter->setText(QStringLiteral("*.jpg"));
        Drop(Find<FileListView>(&w, "lv1"), {Q(dir / "in"), Q(dir / "x.txt")});
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), QStringList{Q(dir / "in/a.jpg")});
        // Dropping again adds nothing; the other list counts separately.
        Drop(Find<FileListView>(&w, "lv1"), {Q(dir / "in")});
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{1});
        Find<QCheckBox>(w.addFilesDialog(), "cbSubDir")->setChecked(true);
        filter->setText(QString());
        Drop(Find<FileListView>(&w, "lv2"), {Q(dir / "in"), Q(dir / "x.txt")});
        QCOMPARE(Names(Find<FileListView>(&w, "lv2")),
                 (QStringList{Q(dir / "in/a.jpg"), Q(dir / "in/b.txt"), Q(dir / "in/deep/c.jpg"), Q(dir / "x.txt")}));
    }

    void localhostUrlsAreLocalFiles() {
        test::TempDir dir;
        const std::string file = dir.file("a.jpg");
        TfrmMain w;
        QUrl url = QUrl::fromLocalFile(Q(file));
        url.setHost(QStringLiteral("localhost"));
        QMimeData mime;
        mime.setUrls({url});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Find<FileListView>(&w, "lv1")->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Find<FileListView>(&w, "lv1")->viewport(), &drop);
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), QStringList{Q(file)});
    }

    void startingWithPathsAddsThemToListA() {
        test::TempDir dir;
        dir.file("in/a.jpg");
        dir.file("in/deep/b.jpg");
        dir.file("c d.png");
        dir.file("e.jpg");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(Q(dir.path())));
        const QString here = QDir::currentPath();
        TfrmMain w;
        // As a file manager hands them over: a folder, a relative name, a URL.
        w.openPaths(
            {QByteArray::fromStdString(dir / "in"), "./e.jpg", QUrl::fromLocalFile(Q(dir / "c d.png")).toEncoded()});
        QDir::setCurrent(before);
        // Added as a drop adds them, with the dialog's filter and boxes.
        QTRY_COMPARE(Names(Find<FileListView>(&w, "lv1")),
                     (QStringList{Q(dir / "c d.png"), QDir::toNativeSeparators(here + QStringLiteral("/e.jpg")),
                                  Q(dir / "in/a.jpg")}));
        QCOMPARE(Find<FileListView>(&w, "lv2")->rowCount(), size_t{0});
    }

    void commandLineArgumentsBecomePaths() {
        test::TempDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(Q(dir.path())));
        const QString here = QDir::currentPath();
        // A path as given, a relative name, a blank, a URL with an escaped blank.
        const QList<QByteArray> paths = CommandLinePaths(
            {QByteArray::fromStdString(dir / "in"), "e.jpg", "", QUrl::fromLocalFile(Q(dir / "c d.png")).toEncoded()});
        QDir::setCurrent(before);
        QCOMPARE(paths, (QList<QByteArray>{QByteArray::fromStdString(dir / "in"),
                                           QDir::toNativeSeparators(here + QStringLiteral("/e.jpg")).toUtf8(),
                                           QByteArray::fromStdString(dir / "c d.png")}));
#ifdef Q_OS_WIN
        // A drive root as Explorer quotes it, "C:\", arrives as C:"; a quote
        // inside has swallowed the arguments after it.
        QCOMPARE(CommandLinePaths({"C:\"", "C:\\My Photos\" D:\\x"}), (QList<QByteArray>{"C:\\"}));
#else
        // What follows the program's name, byte for byte: not every name is UTF-8.
        char program[] = "kairodex", plain[] = "a b", legacy[] = "\xb0\xa1.jpg";
        char* argv[] = {program, plain, legacy, nullptr};
        QCOMPARE(CommandLineArguments(3, argv), (QList<QByteArray>{"a b", "\xb0\xa1.jpg"}));
#endif
    }

    void namesThatAreNotUtf8KeepTheirBytes() {
        // Names unpacked from old archives are often in a legacy code page.
#ifdef Q_OS_WIN
        QSKIP("Windows names are UTF-16 text, never bytes");
#endif
        test::TempDir dir;
        const std::string name = "\xb0\xa1.jpg"; // not UTF-8
        const std::string path = dir.file(name);
        TfrmMain w;
        QMimeData mime;
        mime.setUrls({QUrl::fromEncoded(QByteArray("file://") +
                                        QByteArray::fromStdString(dir.path()).toPercentEncoding("/") + "%B0%A1.jpg")});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Find<FileListView>(&w, "lv1")->viewport(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Find<FileListView>(&w, "lv1")->viewport(), &drop);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowCount(), size_t{1});
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).Name, path);
        QCOMPARE(Find<FileListView>(&w, "lv1")->rowsModel()->row(0).WriteTime.size(), size_t{19}); // found on disk
        // The dialog's choice keeps the bytes too.
        TAddFilefrm* dlg = w.addFilesDialog();
        dlg->setCurrentFolder(Q(dir.path()));
        ClickOk(dlg);
        QCOMPARE(dlg->takeCandidates(), std::vector<std::string>{path});
    }

    void longDroppedNamesAreUsedWhole() {
        test::TempDir dir;
        const std::string longName = std::string(200, 'n') + ".jpg";
        const std::string path = dir.file(std::string(120, 'd') + "/" + longName);
        QVERIFY(path.size() > 253);
        TfrmMain w;
        Drop(Find<FileListView>(&w, "lv1"), {Q(path)});
        QCOMPARE(Names(Find<FileListView>(&w, "lv1")), QStringList{Q(path)});
    }
};

QTEST_MAIN(AddingTest)
#include "adding_test.moc"

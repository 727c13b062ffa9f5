#pragma once

// The main window's form: every control with its object name, caption,
// hint, place and size, and nothing of what the controls do. The window
// builds it once and wires the handlers to it.

#include <array>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTabWidget;
class QTimeEdit;
class QToolButton;
class QWidget;

namespace kdx::gui {

class FileListView;
class TSysImageList;
class SpinEdit;

// Layout constants of the window.
namespace layout {
inline constexpr int InitialWidth = 1344;
inline constexpr int InitialHeight = 600;
inline constexpr int MinWidth = 1260;
inline constexpr int MinHeight = 600;
inline constexpr int SplitterWidth = 10;
inline constexpr int BottomHeight = 149;
// What the other columns take when one list fills the window, and when two share it.
inline constexpr int OneListReserve = 730;
inline constexpr int TwoListReserve = 710;
} // namespace layout

class MainForm {
public:
    // Builds every control into window; the lists draw their row icons
    // from icons.
    void setupForm(QMainWindow* window, TSysImageList* icons);

    // The two lists and their tool buttons, in the order of the bar:
    // add, remove selected, remove all, up, down, select all, invert, save,
    // load, replace, copy.
    FileListView* lv1 = nullptr;
    FileListView* lv2 = nullptr;
    std::array<std::array<QToolButton*, 11>, 2> toolButtons{};

    // Page "设置时间"
    QTabWidget* pc = nullptr;
    QCheckBox *cbCreate1 = nullptr, *cbWrite1 = nullptr, *cbAccess1 = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QRadioButton* rbDefineTime = nullptr;
    QDateEdit *DTP1Date = nullptr, *DTP2Date = nullptr, *DTP3Date = nullptr;
    QTimeEdit *DTP1Time = nullptr, *DTP2Time = nullptr, *DTP3Time = nullptr;
    QCheckBox *cbDate1 = nullptr, *cbDate2 = nullptr, *cbDate3 = nullptr;
    QCheckBox *cbTime1 = nullptr, *cbTime2 = nullptr, *cbTime3 = nullptr;
    QRadioButton* rbAllToTime = nullptr;
    QGroupBox* rgTime = nullptr;
    QButtonGroup* rgTimeItems = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QLineEdit* edFileNameTimeFrom = nullptr;
    QCheckBox* cbWeiXin = nullptr;
    QCheckBox* cbIncludePhotoTime = nullptr;
    QCheckBox* cbSetDirDateByFiles = nullptr;
    QLineEdit *edPath1 = nullptr, *edPath2 = nullptr;
    QPushButton *btGetFileNameTime = nullptr, *btGetPhotoTime = nullptr, *btRenameWeiXinFile = nullptr;
    QPushButton *btReplace = nullptr, *tbCopyInfo = nullptr;
    QPushButton *bSetSelect1 = nullptr, *bSetAll1 = nullptr, *bExit = nullptr;
    // Take back the last write (the undo journal), one on each page that writes.
    QPushButton* bUndo = nullptr;
    QPushButton* bUndo2 = nullptr;
    QPushButton* bUndo3 = nullptr;
    // Page "时间运算"
    QCheckBox *cbCreate2 = nullptr, *cbWrite2 = nullptr, *cbAccess2 = nullptr;
    QLabel *lCreate = nullptr, *lWrite = nullptr, *lAccess = nullptr;
    QComboBox* cbAdd = nullptr;
    SpinEdit *seYear = nullptr, *seMonth = nullptr, *seDay = nullptr;
    QTimeEdit* seTime = nullptr;
    QPushButton *bSetSelect2 = nullptr, *bSetAll2 = nullptr;
    // Page "时间同步"
    QCheckBox *cbCreate3 = nullptr, *cbWrite3 = nullptr, *cbAccess3 = nullptr;
    QLabel *lCreate2 = nullptr, *lWrite2 = nullptr, *lAccess2 = nullptr;
    QToolButton *sbCompare = nullptr, *sbCompare2 = nullptr;
    QPushButton *bSyncSelect = nullptr, *bSyncAll = nullptr;
    QPushButton *bSrc = nullptr, *bDst = nullptr, *bSyncDir = nullptr;
    QLineEdit *eSrc = nullptr, *eDst = nullptr, *edFilter = nullptr;
    QCheckBox *cbDirInclude = nullptr, *cbOnlyDir = nullptr, *cbSubDir = nullptr;
    QPushButton *bExchange = nullptr, *bExit2 = nullptr;
    // Page "关于"
    QLabel *lCopyRight1 = nullptr, *lCopyRight2 = nullptr, *lCopyRight3 = nullptr, *lCopyRight4 = nullptr;
    // Menus
    QMenu* popMenuCopy = nullptr;
    QAction *MICopy = nullptr, *MIPaster = nullptr, *MIAllToCreate = nullptr, *MIAllToWrite = nullptr,
            *MIAllToAccess = nullptr, *MIAllToNow = nullptr;
    QMenu* pmPopMenu = nullptr;
    QAction *miOpen = nullptr, *miLocate = nullptr;
    // Layout parts
    QWidget *Panel1 = nullptr, *Panel2 = nullptr, *Panel3 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QGroupBox *GroupBox1 = nullptr, *GroupBox2 = nullptr;

private:
    void buildLists(TSysImageList* icons);
    void buildToolBar(FileListView* list, QGroupBox* box);
    void buildPageSetTimes();
    void buildPageShift();
    void buildPageSync();
    void buildPageAbout();
    void buildMenus();

    QMainWindow* m_window = nullptr;
};

} // namespace kdx::gui

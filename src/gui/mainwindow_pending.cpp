// Handlers whose operations are still being built.

#include "gui/mainwindow.h"

namespace kdx::gui {

void TfrmMain::bSetSelect1Click() {}
void TfrmMain::bSetAll1Click() {}
void TfrmMain::SetTimes(bool) {}
void TfrmMain::ShiftTimes(bool) {}
void TfrmMain::btGetFileNameTimeClick() {}
void TfrmMain::btGetPhotoTimeClick() {}
void TfrmMain::btRenameWeiXinFileClick() {}
void TfrmMain::SyncPairs(bool, bool) {}
void TfrmMain::sbCompareClick() {}
void TfrmMain::sbCompare2Click() {}
void TfrmMain::bSrcClick() {}
void TfrmMain::bDstClick() {}
void TfrmMain::bSyncDirClick() {}
void TfrmMain::SaveSnapshot(TFileListView*) {}
void TfrmMain::LoadSnapshot(TFileListView*) {}
void TfrmMain::bExchangeClick() {}
void TfrmMain::ReplaceInNames(TFileListView*) {}
void TfrmMain::CopyListToClipboard(TFileListView*) {}

} // namespace kdx::gui

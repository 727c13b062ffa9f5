// Handlers whose operations are still being built.

#include "gui/mainwindow.h"

namespace kdx::gui {

void TfrmMain::bSrcClick() {}
void TfrmMain::bDstClick() {}
void TfrmMain::bSyncDirClick() {}
void TfrmMain::SaveSnapshot(TFileListView*) {}
void TfrmMain::LoadSnapshot(TFileListView*) {}
void TfrmMain::bExchangeClick() {}
void TfrmMain::ReplaceInNames(TFileListView*) {}
void TfrmMain::CopyListToClipboard(TFileListView*) {}

} // namespace kdx::gui

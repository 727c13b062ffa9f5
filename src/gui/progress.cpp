#include "gui/progress.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace kdx::gui {

TfrmScanning::TfrmScanning(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmScanning"));
    setWindowTitle(QStringLiteral("正在扫描添加文件，请稍候..."));
    setFixedSize(495, 46);
    setModal(false);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setToolTip(QStringLiteral("扫描进度"));
    ProgressBar1->setTextVisible(false);
    v->addWidget(ProgressBar1);
}

} // namespace kdx::gui

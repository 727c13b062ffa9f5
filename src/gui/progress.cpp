#include "gui/progress.h"

#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

#include "core/common/progress.h"

namespace kdx::gui {

namespace {
// Bar positions: enough for every visible step, within the bar's int range
// whatever the number of items.
constexpr int kBarSteps = 10000;
} // namespace

TfrmScanning::TfrmScanning(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmScanning"));
    setWindowTitle(QString::fromUtf8(ScanningCaption.data(), static_cast<qsizetype>(ScanningCaption.size())));
    setFixedSize(495, 46);
    setModal(false);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setToolTip(QStringLiteral("扫描进度"));
    m_bar->setTextVisible(false);
    m_bar->setRange(0, kBarSteps);
    v->addWidget(m_bar);
}

void TfrmScanning::begin(size_t total, const QString& caption) {
    m_total = total;
    m_caption = caption.toStdString();
    m_savedCaption = windowTitle();
    m_bar->setValue(0);
    if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
    show();
}

void TfrmScanning::update(size_t done) {
    if (m_total == 0) return;
    done = std::min(done, m_total);
    m_bar->setValue(static_cast<int>(static_cast<double>(done) * kBarSteps / static_cast<double>(m_total)));
    setWindowTitle(QString::fromStdString(ProgressCaption(m_caption, done, m_total)));
}

void TfrmScanning::end() {
    setWindowTitle(m_savedCaption);
    hide();
}

} // namespace kdx::gui

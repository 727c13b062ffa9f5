#include "gui/dialogs.h"

#include <QApplication>
#include <QFileDialog>

namespace kdx::gui {

namespace {

ChooserAnswer& Answer() {
    static ChooserAnswer answer;
    return answer;
}

const QString kSnapshotFilter = QStringLiteral("文件(快照)列表(*.kdx);;所有文件(*.*)");

} // namespace

QString BrowseForFolder(const QString& title) {
    if (Answer()) return Answer()(ChooserKind::Folder, title);
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, QString(), QFileDialog::ShowDirsOnly);
}

QString ChooseSnapshotToSave() {
    const QString title = QStringLiteral("保存文件(快照)列表...");
    if (Answer()) return Answer()(ChooserKind::SaveFile, title);
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), kSnapshotFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("kdx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString ChooseSnapshotToOpen() {
    const QString title = QStringLiteral("导入文件(快照)列表...");
    if (Answer()) return Answer()(ChooserKind::OpenFile, title);
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), kSnapshotFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("kdx"));
    // Several files may be picked; the first one is loaded.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

ScopedChooserAnswer::ScopedChooserAnswer(ChooserAnswer answer) : m_previous(std::move(Answer())) {
    Answer() = std::move(answer);
}

ScopedChooserAnswer::~ScopedChooserAnswer() {
    Answer() = std::move(m_previous);
}

} // namespace kdx::gui

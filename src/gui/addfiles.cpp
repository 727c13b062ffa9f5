#include "gui/addfiles.h"

namespace kdx::gui {

TAddFilefrm::TAddFilefrm(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("AddFilefrm"));
    setWindowTitle(QStringLiteral("添加文件(夹)"));
    resize(742, 563);
}

} // namespace kdx::gui

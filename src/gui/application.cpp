#include "gui/application.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kdx::gui {

void PrepareApplication() {
    QIcon icon;
    for (int size : {16, 32, 48, 256})
        icon.addFile(QStringLiteral(":/icons/kairodex-%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    // The window speaks Chinese whatever the system's language, and so do
    // Qt's own texts (standard buttons, edit menus): built in, else Qt's;
    // dates and file types in the choosers follow the default locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QStringLiteral(":/i18n/qtbase_zh_CN.qm")) ||
        qtTexts->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(qtTexts);
}

} // namespace kdx::gui

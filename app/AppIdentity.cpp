#include "app/AppIdentity.h"

#include <QApplication>
#include <QIcon>

void setUpAppName()
{
    QCoreApplication::setApplicationName(QStringLiteral("Vertz Mod Utility"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VERTZ_VERSION));
}

void setUpAppIdentity()
{
    setUpAppName();
    // Lets a Wayland desktop match the window to the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VERTZ_APP_ID));
    QIcon icon;
    for (const int edge : {VERTZ_ICON_SIZES})
        icon.addFile(QStringLiteral(":/icons/vertzmod-%1.png").arg(edge), QSize(edge, edge));
    QApplication::setWindowIcon(icon);
}

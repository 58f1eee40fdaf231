#include "app/AppIdentity.h"

#include <QApplication>
#include <QDir>
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
    const QDir icons(QStringLiteral(":/icons"));
    for (const QString &name : icons.entryList(QDir::Files))
        icon.addFile(icons.filePath(name)); // the size is read from the picture
    QApplication::setWindowIcon(icon);
}

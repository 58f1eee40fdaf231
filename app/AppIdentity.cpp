#include "app/AppIdentity.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>

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
    for (const int edge : {VERTZ_ICON_SIZES}) {
        // Told the format, without probing: a probe loads every image plugin.
        QImageReader reader(QStringLiteral(":/icons/vertzmod-%1.png").arg(edge), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    QApplication::setWindowIcon(icon);
}

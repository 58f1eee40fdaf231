#include "app/frmMod.h"
#include "platform/Look.h"
#include "platform/QtDialogs.h"
#include "settings/AppContext.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vertz Mod Utility"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vertzmod.png")));
    setUpLook();

    platform::QtDialogs dialogs;
    AppContext ctx(dialogs);
    frmMod window(ctx);
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}

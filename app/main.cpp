#include "app/AppContext.h"
#include "app/Look.h"
#include "app/frmMod.h"
#include "platform/QtDialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vertz Mod Utility"));
    setUpLook();

    platform::QtDialogs dialogs;
    AppContext ctx(dialogs);
    frmMod window(ctx);
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}

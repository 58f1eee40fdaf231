#include "app/AppIdentity.h"
#include "app/CommandLine.h"
#include "app/frmMod.h"
#include "context/AppContext.h"
#include "ui/Look.h"
#include "ui/QtDialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    if (wantsCommandLine(argc, argv))
        return runCommandLine(argc, argv);
    QApplication app(argc, argv);
    setUpAppIdentity();
    setUpLook();

    ui::QtDialogs dialogs;
    AppContext ctx(dialogs);
    // A start with the stored board in place then reads none of its files.
    ctx.files.keepIdenticalIn(QStringLiteral("vertzmod.verified"));
    frmMod window(ctx);
    if (!window.Form_Load())
        return 0;
    window.show();
    return app.exec();
}

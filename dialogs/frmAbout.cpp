#include "dialogs/frmAbout.h"

#include "settings/AppContext.h"

#include <QLabel>
#include <QVBoxLayout>

frmAbout::frmAbout(AppContext &ctx, QWidget *parent) : QWidget(parent, Qt::Window), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vertzpc Mod Utility"));
    // Filled in by its own change; the window already opens and closes like the real one.
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Coming in a later version."), this));
}

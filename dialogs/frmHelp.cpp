#include "dialogs/frmHelp.h"

#include "settings/AppContext.h"

#include <QLabel>
#include <QVBoxLayout>

frmHelp::frmHelp(AppContext &ctx, QWidget *parent) : QWidget(parent, Qt::Window), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Vertz Mod Utility Help"));
    // Filled in by its own change; the window already opens and closes like the real one.
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Coming in a later version."), this));
}

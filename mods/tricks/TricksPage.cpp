#include "mods/tricks/TricksPage.h"

#include "mods/tricks/FileList.h"
#include "mods/tricks/FolderList.h"
#include "platform/Twips.h"
#include "settings/AppContext.h"

#include <QLabel>
#include <QPushButton>

using platform::placeTwips;

namespace {
const char *const animsFolder = "Game\\data\\anims\\";

void colourList(QWidget *w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, QColor(255, 192, 128));
    p.setColor(QPalette::Text, QColor(64, 0, 0));
    w->setPalette(p);
}

template <typename T> T *named(QWidget *parent, const char *name)
{
    auto *w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

TricksPage::TricksPage(AppContext &ctx, QWidget *parent) : QGroupBox(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fraTricks"));
    setTitle(QStringLiteral("Tricks Mods"));
    setAutoFillBackground(true);

    Dir1 = named<FolderList>(this, "Dir1");
    placeTwips(Dir1, 60, 180, 2475, 2115);
    File1 = named<FileList>(this, "File1");
    placeTwips(File1, 2580, 170, 2595, 2235);
    lblTop = named<QLabel>(this, "lblTop");
    lblTop->setText(QStringLiteral("File to copy"));
    placeTwips(lblTop, 5220, 180, 855, 435);
    Dir2 = named<FolderList>(this, "Dir2");
    placeTwips(Dir2, 60, 2755, 2475, 2115);
    File2 = named<FileList>(this, "File2");
    placeTwips(File2, 2580, 2650, 2595, 2235);
    lblBottom = named<QLabel>(this, "lblBottom");
    lblBottom->setText(QStringLiteral("File to copy over"));
    placeTwips(lblBottom, 5220, 2640, 855, 675);
    for (QLabel *l : {lblTop, lblBottom}) {
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        l->setWordWrap(true);
    }
    cmdRestore = named<QPushButton>(this, "cmdRestore");
    cmdRestore->setText(QStringLiteral("Restore"));
    placeTwips(cmdRestore, 180, 2380, 735, 315);
    cmdCopy = named<QPushButton>(this, "cmdCopy");
    cmdCopy->setText(QStringLiteral("Copy"));
    placeTwips(cmdCopy, 1800, 2380, 555, 315);
    for (QWidget *w : {static_cast<QWidget *>(Dir1), static_cast<QWidget *>(File1),
                       static_cast<QWidget *>(Dir2), static_cast<QWidget *>(File2)})
        colourList(w);
}

QString TricksPage::trickFolder(const QString &root) const
{
    return m_ctx.files.nativePath(root + QLatin1String(animsFolder));
}

bool TricksPage::showTrickRoot(const QString &root)
{
    const QString folder = trickFolder(root);
    return Dir1->trySetPath(folder) && Dir2->trySetPath(folder);
}

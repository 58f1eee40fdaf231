#include "mods/tricks/TricksPage.h"

#include "context/AppContext.h"
#include "mods/tricks/TrickCopy.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Twips.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

using ui::named;
using ui::placeTwips;

namespace {

// The part of a native folder below root, '/' between its parts; empty at
// the root itself, none outside it.
std::optional<QString> below(const QString &root, const QString &folder)
{
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity cs = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity cs = Qt::CaseSensitive;
#endif
    if (root.isEmpty() || folder.isEmpty())
        return std::nullopt;
    if (folder.compare(root, cs) == 0)
        return QString();
    const QString prefix = root.endsWith(QDir::separator()) ? root : root + QDir::separator();
    if (!folder.startsWith(prefix, cs))
        return std::nullopt;
    return QDir::fromNativeSeparators(folder.mid(prefix.size()));
}

void requireExactName(const FileList *list)
{
    if (!list->isFileNameExact())
        throw platform::FileError(
            QStringLiteral("use"),
            QDir::toNativeSeparators(QDir(list->path()).filePath(list->fileName())),
            QStringLiteral("its name is not valid in the system's encoding; rename it to use it"));
}

} // namespace

TricksPage::TricksPage(AppContext &ctx, QWidget *parent) : QGroupBox(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("fraTricks"));
    setTitle(QStringLiteral("Tricks Mods"));
    setAutoFillBackground(true);

    Dir1 = placeTwips(named<FolderList>(this, "Dir1"), 60, 180, 2475, 2115);
    File1 = placeTwips(named<FileList>(this, "File1"), 2580, 170, 2595, 2235);
    lblTop = placeTwips(named<QLabel>(this, "lblTop", QStringLiteral("File to copy")), 5220, 180,
                        855, 435);
    Dir2 = placeTwips(named<FolderList>(this, "Dir2"), 60, 2755, 2475, 2115);
    File2 = placeTwips(named<FileList>(this, "File2"), 2580, 2650, 2595, 2235);
    lblBottom = placeTwips(named<QLabel>(this, "lblBottom", QStringLiteral("File to copy over")),
                           5220, 2640, 855, 675);
    for (QLabel *l : {lblTop, lblBottom}) {
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        l->setWordWrap(true);
    }
    cmdRestore = placeTwips(named<QPushButton>(this, "cmdRestore", QStringLiteral("Restore")), 180,
                            2380, 735, 315);
    cmdCopy = placeTwips(named<QPushButton>(this, "cmdCopy", QStringLiteral("Copy")), 1800, 2380,
                         555, 315);
    // One reader for the four lists: a folder change that moves several of
    // them to one folder reads it once.
    for (NameListView *list : std::initializer_list<NameListView *>{Dir1, File1, Dir2, File2}) {
        QPalette p = list->palette();
        p.setColor(QPalette::Base, QColor(255, 192, 128));
        p.setColor(QPalette::Text, QColor(64, 0, 0));
        list->setPalette(p);
        list->setReader(&m_reader);
    }
    connect(Dir1, &FolderList::pathChanged, this, &TricksPage::Dir1_Change);
    connect(Dir2, &FolderList::pathChanged, this, &TricksPage::Dir2_Change);
    connect(Dir1, &FolderList::entryRefused, this, &TricksPage::fail);
    connect(Dir2, &FolderList::entryRefused, this, &TricksPage::fail);
    connect(cmdRestore, &QPushButton::clicked, this, &TricksPage::cmdRestore_Click);
    connect(cmdCopy, &QPushButton::clicked, this, &TricksPage::cmdCopy_Click);
    connect(File1, &FileList::doubleClicked, this, &TricksPage::File1_DblClick);
    connect(File2, &FileList::doubleClicked, this, &TricksPage::File2_DblClick);
}

QString TricksPage::trickFolder(const QString &root) const
{
    return m_ctx.files.nativePath(root + QLatin1String(tricks::animsFolder));
}

QString TricksPage::trickRoot() const
{
    return nativeFolder(trickFolder(m_ctx.settings.gameRoot));
}

QString TricksPage::backupRoot() const
{
    return nativeFolder(m_ctx.files.nativePath(m_ctx.settings.gameRoot
                                               + QLatin1String(tricks::animsFolder)
                                               + QLatin1String(tricks::backupFolder)));
}

QString TricksPage::gameFolder(const QString &rel) const
{
    // A folder name holding a backslash has no game path; it is shown as it is
    // and the file work refuses it.
    if (rel.contains(u'\\'))
        return QDir(trickRoot()).filePath(rel);
    return nativeFolder(m_ctx.files.nativePath(m_ctx.settings.gameRoot
                                               + QLatin1String(tricks::animsFolder)
                                               + QString(rel).replace(u'/', u'\\')));
}

void TricksPage::fail(const QString &why)
{
    m_ctx.error(why);
}

bool TricksPage::showTrickRoot(const QString &root)
{
    // Even when the folder is missing, every list has its model once the
    // page was asked for.
    for (NameListView *list : std::initializer_list<NameListView *>{Dir1, File1, Dir2, File2})
        list->attachModel();
    FolderReader::Share share(m_reader);
    const QString folder = trickFolder(root);
    return Dir1->trySetPath(folder) && Dir2->trySetPath(folder);
}

void TricksPage::rereadFolders()
{
    const auto step = [](const auto &run) {
        try {
            run();
        } catch (const std::exception &) {
        }
    };
    const auto refresh = [&](auto *list) {
        step([&] {
            if (QFileInfo(list->path()).isDir())
                list->refresh();
        });
    };
    FolderReader::Share share(m_reader);
    refresh(File1);
    refresh(File2);
    const QString anims = trickFolder(m_ctx.settings.gameRoot);
    step([&] { Dir1->setPath(anims); });
    step([&] { Dir2->setPath(anims); });
    refresh(Dir1);
    refresh(Dir2);
}

std::optional<QString> TricksPage::followFolder(NameListView *dir, NameListView *files)
{
    const QString trick = trickRoot();
    QString why;
    // The list offers ancestors too; above the trick root it goes back there.
    if ((below(trick, dir->path()) || dir->trySetPath(trick, &why))
        && files->trySetPath(dir->path(), &why))
        return below(trick, dir->path());
    fail(why);
    return std::nullopt;
}

void TricksPage::Dir1_Change()
{
    const auto s = followFolder(Dir1, File1);
    if (!s)
        return;
    m_sourceFolder = *s;
    if (!m_restoreMode)
        return;

    // From here on a failing step is skipped.
    const QString backups = backupRoot();
    if (!below(backups, Dir1->path()))
        Dir1->trySetPath(backups);
    if (const auto g = below(backups, Dir1->path()))
        m_targetFolder = *g;
    Dir2->trySetPath(gameFolder(m_targetFolder));
    File2->setEnabled(false);
    Dir2->setEnabled(false);
}

void TricksPage::Dir2_Change()
{
    const auto g = followFolder(Dir2, File2);
    // In restore mode the destination follows the backup chosen above.
    if (g && !m_restoreMode)
        m_targetFolder = *g;
}

void TricksPage::cmdRestore_Click()
{
    const QString trick = trickRoot();
    QString why;
    FolderReader::Share share(m_reader);
    if (m_restoreMode) {
        m_restoreMode = false;
        lblTop->setText(QStringLiteral("File to Copy"));
        lblBottom->setText(QStringLiteral("File to Copy Over"));
        File2->setEnabled(true);
        Dir2->setEnabled(true);
        if (!Dir1->trySetPath(trick, &why) || !Dir2->trySetPath(trick, &why))
            fail(why);
        // Copies go where Dir2 shows, also when it showed the root already
        // and no folder change set the destination again.
        else if (const auto g = below(trick, Dir2->path()))
            m_targetFolder = *g;
        return;
    }
    // Without a backup root (nothing was ever copied) restore mode stays off.
    const QString backups = backupRoot();
    if (!Dir1->trySetPath(backups, &why) || !Dir2->trySetPath(trick, &why))
        return fail(why);
    File2->setEnabled(false);
    Dir2->setEnabled(false);
    lblTop->setText(QStringLiteral("File to Restore"));
    lblBottom->setText(QString());
    // Last, so the folder changes above ran in copy mode.
    m_restoreMode = true;
    if (const auto g = below(backups, Dir1->path()))
        m_targetFolder = *g;
}

void TricksPage::cmdCopy_Click()
{
    // The game ignores case, so two spellings of one path are one file.
    if (QDir(File1->path())
            .filePath(File1->fileName())
            .compare(QDir(File2->path()).filePath(File2->fileName()), Qt::CaseInsensitive)
        == 0) {
        m_ctx.dialogs.message(QStringLiteral("These files are the same!"),
                              QString::fromLatin1(errorTitle));
        return;
    }
    if (m_restoreMode)
        restoreSelected();
    else
        copySelected();
}

void TricksPage::copySelected()
{
    const QString source = File1->fileName();
    const QString target = File2->fileName();
    const ModSettings &s = m_ctx.settings;
    // Without both names the copy refuses on its own, and there is no file to ask about.
    gamestate::Change change(m_ctx.record, m_ctx.files, s.gameRoot, s.isDemo(),
                             source.isEmpty() || target.isEmpty()
                                 ? QList<gamestate::Place>()
                                 : QList{tricks::replacement(s.gameRoot, m_sourceFolder, source,
                                                             m_targetFolder, target)});
    if (!change.admitted())
        return;
    try {
        requireExactName(File1);
        requireExactName(File2);
        tricks::copyTrick(m_ctx.files, m_ctx.settings.gameRoot, m_sourceFolder, source,
                          m_targetFolder, target);
    } catch (const platform::FileError &e) {
        return fail(e.explain());
    }
    change.done();
    m_ctx.dialogs.message(source + QStringLiteral(" was sucessfully copied over ") + target,
                          QStringLiteral("File Copied"));
}

void TricksPage::restoreSelected()
{
    const QString name = File1->fileName();
    const QString folder = m_targetFolder;
    const QString &root = m_ctx.settings.gameRoot;
    {
        gamestate::Change change(m_ctx.record, m_ctx.files, root, m_ctx.settings.isDemo(),
                                 name.isEmpty() ? QList<gamestate::Place>()
                                                : QList{tricks::restoral(root, folder, name)});
        if (!change.admitted())
            return;
        try {
            requireExactName(File1);
            tricks::restoreTrick(m_ctx.files, root, folder, name);
        } catch (const platform::FileError &e) {
            return fail(e.explain());
        }
        change.done();
    }
    m_ctx.dialogs.message(name + QStringLiteral(" was restored!"), QStringLiteral("File Restored"));

    QString why;
    try {
        // An emptied backup subfolder goes; the backup root stays, so every
        // list keeps an existing folder.
        if (!folder.isEmpty() && tricks::backupFolderIsEmpty(m_ctx.files, root, folder)) {
            if (!Dir1->trySetPath(backupRoot(), &why) || !File1->trySetPath(backupRoot(), &why))
                return fail(why);
            tricks::removeBackupFolder(m_ctx.files, root, folder);
        }
    } catch (const platform::FileError &e) {
        return fail(e.explain());
    }
    FolderReader::Share share(m_reader);
    if (!Dir1->refresh(&why) || !File1->refresh(&why))
        fail(why);
}

void TricksPage::File1_DblClick()
{
    if (m_restoreMode)
        cmdCopy_Click();
}

void TricksPage::File2_DblClick()
{
    if (File2->isEnabled() && !File1->fileName().isEmpty())
        cmdCopy_Click();
}

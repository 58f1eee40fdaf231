#include "app/frmGameFiles.h"

#include "app/GameFiles.h"
#include "dialogs/Placement.h"
#include "settings/AppContext.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <memory>

using gamestate::State;

namespace {

// A dot of the state's colour, so the states tell apart at a glance.
QIcon stateIcon(State state)
{
    static const QColor colours[]
        = {QColor(46, 157, 58), QColor(42, 111, 214), QColor(224, 138, 0), QColor(208, 48, 48)};
    QPixmap dot(12, 12);
    dot.fill(Qt::transparent);
    QPainter p(&dot);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(colours[int(state)].darker(130));
    p.setBrush(colours[int(state)]);
    p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    return QIcon(dot);
}

} // namespace

frmGameFiles::frmGameFiles(AppContext &ctx, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmGameFiles"));
    setWindowTitle(QStringLiteral("Game Files"));

    // A list of any length, so the window is sizable and laid out, unlike
    // the fixed designs of the main window's pages.
    lblVariant = new QLabel(this);
    lblVariant->setObjectName(QStringLiteral("lblVariant"));
    lblVariant->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tvwFiles = new QTreeWidget(this);
    tvwFiles->setObjectName(QStringLiteral("tvwFiles"));
    tvwFiles->setHeaderLabels({QStringLiteral("File"), QStringLiteral("State")});
    tvwFiles->setRootIsDecorated(false);
    tvwFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvwFiles->setUniformRowHeights(true);
    tvwFiles->header()->setStretchLastSection(false);
    tvwFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tvwFiles->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    cmdRestore = new QPushButton(QStringLiteral("Restore"), this);
    cmdRestore->setObjectName(QStringLiteral("cmdRestore"));
    cmdRestore->setToolTip(QStringLiteral("Puts the originals of the chosen files back, with the "
                                          "rest of their board, display element or level"));
    cmdKeep = new QPushButton(QStringLiteral("Keep"), this);
    cmdKeep->setObjectName(QStringLiteral("cmdKeep"));
    cmdKeep->setToolTip(QStringLiteral("Keeps what the chosen files changed since hold as the "
                                       "game's own, as after a game update"));
    cmdRestoreAll = new QPushButton(QStringLiteral("Restore Everything"), this);
    cmdRestoreAll->setObjectName(QStringLiteral("cmdRestoreAll"));
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(lblSummary, 1);
    buttons->addWidget(cmdRestore);
    buttons->addWidget(cmdKeep);
    buttons->addWidget(cmdRestoreAll);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblVariant);
    layout->addWidget(tvwFiles, 1);
    layout->addLayout(buttons);
    resize(560, 380);
    // Like the other secondary windows.
    dialogs::centreWhenShown(this);
    cmdClose->setFocus();

    connect(cmdRestoreAll, &QPushButton::clicked, this, &frmGameFiles::cmdRestoreAll_Click);
    connect(cmdRestore, &QPushButton::clicked, this, &frmGameFiles::cmdRestore_Click);
    connect(cmdKeep, &QPushButton::clicked, this, &frmGameFiles::cmdKeep_Click);
    connect(tvwFiles, &QTreeWidget::itemSelectionChanged, this, &frmGameFiles::showChoice);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    refresh();
}

bool frmGameFiles::event(QEvent *event)
{
    // What the main window changed meanwhile shows when the player comes back.
    if (event->type() == QEvent::WindowActivate && !m_restoring)
        refresh();
    return QDialog::event(event);
}

void frmGameFiles::refresh()
{
    const ModSettings &s = m_ctx.settings;
    lblVariant->setText((s.isDemo() ? QStringLiteral("Demo in ") : QStringLiteral("Full game in "))
                        + QDir::toNativeSeparators(m_ctx.files.nativePath(s.gameRoot)));
    const QList<gamestate::FileStatus> files = gamefiles::look(m_ctx, s.gameRoot, s.isDemo());
    tvwFiles->clear();
    QTreeWidgetItem *group = nullptr;
    for (const gamestate::FileStatus &f : files) {
        if (!group || group->data(0, Qt::UserRole).toInt() != int(f.mod)) {
            group = new QTreeWidgetItem(tvwFiles, {gamestate::modTitle(f.mod)});
            group->setData(0, Qt::UserRole, int(f.mod));
            group->setFirstColumnSpanned(true);
            QFont bold = group->font(0);
            bold.setBold(true);
            group->setFont(0, bold);
        }
        auto *item = new QTreeWidgetItem(group, {f.game, gamestate::stateWord(f.state)});
        item->setData(0, Qt::UserRole, int(f.state));
        item->setIcon(1, stateIcon(f.state));
        item->setToolTip(0, QStringLiteral("Backup: ") + f.backup);
    }
    tvwFiles->expandAll();
    // No row looks chosen until the player chooses one.
    tvwFiles->setCurrentItem(nullptr);
    tvwFiles->clearSelection();
    lblSummary->setText(gamefiles::summary(files));
    showChoice();
}

QStringList frmGameFiles::chosen(bool changedOnly) const
{
    QStringList files;
    for (int g = 0; g < tvwFiles->topLevelItemCount(); ++g) {
        // A mod's heading chooses all of its files.
        const QTreeWidgetItem *group = tvwFiles->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            const QTreeWidgetItem *item = group->child(i);
            if ((group->isSelected() || item->isSelected())
                && (!changedOnly
                    || item->data(0, Qt::UserRole).toInt() == int(State::ChangedSince)))
                files << item->text(0);
        }
    }
    return files;
}

void frmGameFiles::showChoice()
{
    cmdRestore->setEnabled(!chosen(false).isEmpty());
    cmdKeep->setEnabled(!chosen(true).isEmpty());
}

void frmGameFiles::cmdRestore_Click()
{
    restore(chosen(false));
}

void frmGameFiles::cmdKeep_Click()
{
    const ModSettings &s = m_ctx.settings;
    m_restoring = true;
    const gamefiles::RestoreReport report
        = gamefiles::keep(m_ctx, s.gameRoot, s.isDemo(), chosen(true));
    m_restoring = false;
    refresh();
    if (!report.cancelled)
        tell(report, QStringLiteral("Game Files"));
}

void frmGameFiles::tell(const gamefiles::RestoreReport &report, const QString &title)
{
    m_ctx.dialogs.message(report.text(),
                          report.failed.isEmpty() ? title : QString::fromLatin1(errorTitle),
                          report.details());
    emit restored();
}

void frmGameFiles::cmdRestoreAll_Click()
{
    restore({});
}

void frmGameFiles::restore(const QStringList &only)
{
    const ModSettings &s = m_ctx.settings;
    // Made once the questions are answered: its timer would show it over them.
    std::unique_ptr<QProgressDialog> progress;
    m_restoring = true;
    const gamefiles::RestoreReport report = gamefiles::restoreEverything(
        m_ctx, s.gameRoot, s.isDemo(),
        [&](int done, int total, const QString &file) {
            if (!progress) {
                progress = std::make_unique<QProgressDialog>(this);
                progress->setObjectName(QStringLiteral("prgRestore"));
                progress->setWindowTitle(QStringLiteral("Restore Everything"));
                progress->setCancelButtonText(QStringLiteral("Cancel"));
                // Modal to the whole program: nothing else may change files meanwhile.
                progress->setWindowModality(Qt::ApplicationModal);
                progress->setMinimumDuration(500);
                progress->setAutoReset(false);
            }
            progress->setMaximum(total);
            if (!file.isEmpty())
                progress->setLabelText(QStringLiteral("Restoring %1").arg(file));
            progress->setValue(done);
            return !progress->wasCanceled();
        },
        only);
    progress.reset();
    m_restoring = false;
    refresh();
    tell(report, QStringLiteral("Restore Everything"));
}

#include "app/frmGameFiles.h"

#include "app/GameFiles.h"
#include "app/GameFilesModel.h"
#include "context/AppContext.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

#include <QDir>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <memory>
#include <utility>

using gamestate::State;
using ui::named;

frmGameFiles::frmGameFiles(AppContext &ctx, QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_ctx(ctx), m_model(new GameFilesModel(this))
{
    setObjectName(QStringLiteral("frmGameFiles"));
    setWindowTitle(QStringLiteral("Game Files"));

    // A list of any length, so the window is sizable and laid out, unlike
    // the fixed designs of the main window's pages.
    lblVariant = named<QLabel>(this, "lblVariant");
    lblVariant->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tvwFiles = named<QTreeView>(this, "tvwFiles");
    tvwFiles->setModel(m_model);
    tvwFiles->setRootIsDecorated(false);
    tvwFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tvwFiles->setUniformRowHeights(true);
    tvwFiles->header()->setStretchLastSection(false);
    tvwFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    tvwFiles->header()->setSectionResizeMode(1, QHeaderView::Fixed);
    lblSummary = named<QLabel>(this, "lblSummary");
    cmdRestore = named<QPushButton>(this, "cmdRestore", QStringLiteral("Restore"));
    cmdRestore->setToolTip(QStringLiteral("Puts the originals of the chosen files back, with the "
                                          "rest of their board, display element or level"));
    cmdKeep = named<QPushButton>(this, "cmdKeep", QStringLiteral("Keep"));
    cmdKeep->setToolTip(QStringLiteral("Keeps what the chosen files changed since hold as the "
                                       "game's own, as after a game update"));
    cmdRestoreAll = named<QPushButton>(this, "cmdRestoreAll", QStringLiteral("Restore Everything"));
    cmdClose = named<QPushButton>(this, "cmdClose", QStringLiteral("Close"));

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
    ui::centreWhenShown(this);
    cmdClose->setFocus();

    connect(cmdRestoreAll, &QPushButton::clicked, this, &frmGameFiles::cmdRestoreAll_Click);
    connect(cmdRestore, &QPushButton::clicked, this, &frmGameFiles::cmdRestore_Click);
    connect(cmdKeep, &QPushButton::clicked, this, &frmGameFiles::cmdKeep_Click);
    connect(tvwFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &frmGameFiles::showChoice);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
        if (focused && focused != windowHandle())
            m_fresh = false;
    });
    refresh();
    m_fresh = true;
}

bool frmGameFiles::event(QEvent *event)
{
    // What the main window changed meanwhile shows when the player comes back.
    if (event->type() == QEvent::WindowActivate && !m_restoring && !std::exchange(m_fresh, false))
        refresh();
    return QDialog::event(event);
}

void frmGameFiles::refresh()
{
    const ModSettings &s = m_ctx.settings;
    lblVariant->setText((s.isDemo() ? QStringLiteral("Demo in ") : QStringLiteral("Full game in "))
                        + QDir::toNativeSeparators(m_ctx.files.nativePath(s.gameRoot)));
    const QList<gamestate::FileStatus> files = gamefiles::look(m_ctx, s.gameRoot, s.isDemo());
    m_model->reset(files);
    for (int g = 0; g < m_model->rowCount(); ++g)
        tvwFiles->setFirstColumnSpanned(g, QModelIndex(), true);
    tvwFiles->expandAll();
    // The state column fits its widest state. Rows of a state are alike, so
    // one of each is measured, where fitting the contents measures a
    // thousand rows at every layout.
    int width = tvwFiles->header()->sectionSizeHint(1);
    bool measured[4] = {};
    for (int g = 0; g < m_model->rowCount(); ++g) {
        const QModelIndex group = m_model->index(g, 0);
        for (int i = 0; i < m_model->rowCount(group); ++i) {
            const QModelIndex state = m_model->index(i, 1, group);
            if (!std::exchange(measured[int(m_model->fileAt(state)->state)], true))
                width = std::max(width, tvwFiles->sizeHintForIndex(state).width());
        }
    }
    tvwFiles->header()->resizeSection(1, width);
    // No row looks chosen until the player chooses one.
    tvwFiles->selectionModel()->clear();
    lblSummary->setText(gamefiles::summary(files));
    showChoice();
}

QStringList frmGameFiles::chosen(bool changedOnly) const
{
    QStringList files;
    const QItemSelectionModel *selection = tvwFiles->selectionModel();
    for (int g = 0; g < m_model->rowCount(); ++g) {
        // A mod's heading chooses all of its files.
        const QModelIndex group = m_model->index(g, 0);
        const bool all = selection->isSelected(group);
        for (int i = 0; i < m_model->rowCount(group); ++i) {
            const QModelIndex item = m_model->index(i, 0, group);
            const gamestate::FileStatus *f = m_model->fileAt(item);
            if ((all || selection->isSelected(item))
                && (!changedOnly || f->state == State::ChangedSince))
                files << f->game;
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

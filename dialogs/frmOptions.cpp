#include "dialogs/frmOptions.h"

#include "context/AppContext.h"
#include "ui/Placement.h"
#include "ui/Twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTextDocument>

using ui::named;
using ui::placeTwips;
using ui::twips;

frmOptions::frmOptions(AppContext &ctx, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));

    // The tab strip only frames the controls, which lie over its body.
    TabStrip1 = named<QTabWidget>(this, "TabStrip1");
    TabStrip1->addTab(new QWidget, QStringLiteral("File Options"));
    TabStrip1->setTabToolTip(0, QStringLiteral("File Options"));
    placeTwips(TabStrip1, 120, 120, 4560, 2880);

    Frame1 = placeTwips(named<QGroupBox>(this, "Frame1"), 240, 480, 4320, 1680);
    Label1
        = placeTwips(named<QLabel>(Frame1, "Label1", QStringLiteral("Where is Vertz installed?")),
                     120, 180, 4080, 255);
    txtVertzDir = named<QPlainTextEdit>(Frame1, "txtVertzDir");
    // A long folder without blanks still wraps inside the box.
    txtVertzDir->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    txtVertzDir->setTabChangesFocus(true);
    placeTwips(txtVertzDir, 120, 480, 4080, 615);
    chkDemo = placeTwips(named<QCheckBox>(Frame1, "chkDemo", QStringLiteral("  Demo Version")), 120,
                         1200, 4080, 255);

    Label2 = named<QLabel>(
        this, "Label2",
        QStringLiteral(
            "Note: Settings and backups for the demo and full versions are kept seperatly."));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    placeTwips(Label2, 240, 2250, 4320, 600);

    const auto button = [this](const char *name, const char *caption, int left) {
        auto *b = named<QPushButton>(this, name);
        b->setText(QString::fromLatin1(caption));
        placeTwips(b, left, 3120, 1095, 375);
        return b;
    };
    cmdOK = button("cmdOK", "OK", 1155);
    cmdCancel = button("cmdCancel", "Cancel", 2370);
    cmdApply = button("cmdApply", "Apply", 3585);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdCancel, &QPushButton::click);
    connect(chkDemo, &QCheckBox::toggled, this, &frmOptions::chkDemo_Click);

    setFixedSize(twips(4800), twips(3615));
    Form_Load();
}

void frmOptions::Form_Load()
{
    ui::centreWhenShown(this);
    m_ctx.loadSettings();
    const ModSettings &s = m_ctx.settings;
    const bool demo = s.demoMode.equals(1);
    chkDemo->setChecked(demo);
    showFolder(demo ? s.demoInstallDir : s.fullInstallDir);
}

void frmOptions::chkDemo_Click()
{
    const ModSettings &s = m_ctx.settings;
    showFolder(chkDemo->isChecked() ? s.demoInstallDir : s.fullInstallDir);
}

void frmOptions::showFolder(const QString &folder)
{
    if (txtVertzDir->document()->toRawText() != folder)
        txtVertzDir->setPlainText(folder);
    m_shownFolder = folder;
    m_shownText = txtVertzDir->document()->toRawText();
}

QString frmOptions::folderText() const
{
    // The raw text keeps every character; the plain-text form makes a
    // no-break space a plain one.
    QString text = txtVertzDir->document()->toRawText();
    if (text == m_shownText)
        return m_shownFolder;
    // The settings file holds one line per field: a line break typed into the
    // folder would shift every line after it.
    for (const QChar lineBreak : {QChar(QChar::ParagraphSeparator), QChar(QChar::LineSeparator),
                                  QChar(u'\n'), QChar(u'\r')})
        text.remove(lineBreak);
    return text;
}

void frmOptions::cmdApply_Click()
{
    QString folder = folderText();
    if (!folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('\\');
    showFolder(folder);

    ModSettings &s = m_ctx.settings;
    s.demoMode = chkDemo->isChecked() ? 1 : 0;
    (chkDemo->isChecked() ? s.demoInstallDir : s.fullInstallDir) = folder;
    s.gameRoot = folder;
    m_ctx.saveSettings();
}

void frmOptions::cmdOK_Click()
{
    cmdApply_Click();
    close();
}

void frmOptions::cmdCancel_Click()
{
    close();
}

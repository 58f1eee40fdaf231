#include "app/CommandLine.h"

#include "app/AppIdentity.h"
#include "app/GameFiles.h"
#include "context/AppContext.h"
#include "platform/Terminal.h"
#include "platform/WorkingFolderLock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <cstring>

namespace {

// The exit codes, as --help and the README give them.
enum Exit { AllOriginal = 0, SomethingModded = 1, NotRestorable = 2, CannotRun = 3 };

const char *const description
    = "Changes the installed files of Vertz and of its demo, and puts them back.\n"
      "Without options it opens its window. It works on the install named in\n"
      "vertzmod.ini in the working folder: the full game's, or the demo's with --demo.\n"
      "\n"
      "Exit codes of --status and --restore-all:\n"
      "  0  every game file the program changed holds its original\n"
      "  1  something is modded, or changed since the program wrote it\n"
      "  2  something cannot be restored: a backup is damaged or missing,\n"
      "     or a file could not be written\n"
      "  3  the command could not run: wrong options, no settings file,\n"
      "     no game in the install folder, or the program is running there";

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Messages go to the error stream; questions are asked there and answered
// on a terminal, and without one (or with --yes) answered for the player.
class TerminalDialogs : public platform::Dialogs {
public:
    bool assumeYes = false;

    void message(const QString &text, const QString &, const QString &informative) override
    {
        err() << text << '\n';
        if (!informative.isEmpty())
            err() << informative << '\n';
        err().flush();
    }
    bool question(const QString &text, const QString &) override
    {
        err() << text << ' ';
        if (assumeYes || !platform::inputIsTerminal()) {
            err() << (assumeYes ? "yes (--yes)\n" : "no (no terminal to ask on; --yes says yes)\n");
            err().flush();
            return assumeYes;
        }
        err() << "[y/N] ";
        err().flush();
        // One stream for every question: what it read ahead answers the next ones.
        static QTextStream in(stdin);
        QString answer;
        // Once the input has ended, a terminal would wait for nothing.
        m_inputEnded = m_inputEnded || !in.readLineInto(&answer);
        if (m_inputEnded) {
            err() << "no (the input has ended)\n";
            err().flush();
            return false;
        }
        answer = answer.trimmed().toLower();
        return answer == QLatin1String("y") || answer == QLatin1String("yes");
    }
    QString input(const QString &, const QString &, const QString &) override { return {}; }

private:
    bool m_inputEnded = false;
};

int exitCodeOf(const QList<gamestate::FileStatus> &files)
{
    int code = AllOriginal;
    for (const gamestate::FileStatus &f : files) {
        if (f.state == gamestate::State::BackupBad)
            return NotRestorable;
        if (f.state != gamestate::State::Original)
            code = SomethingModded;
    }
    return code;
}

// A name may hold a line end or another control character; in a table each
// shows as '?', so that every file keeps one line. JSON escapes them itself.
QString shown(QString text)
{
    // Printable ASCII, nearly every name, is shown as it is, without a copy.
    if (std::all_of(text.cbegin(), text.cend(),
                    [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; }))
        return text;
    for (QChar &c : text) {
        const QChar::Category k = c.category();
        if (k == QChar::Other_Control || k == QChar::Separator_Line
            || k == QChar::Separator_Paragraph)
            c = u'?';
    }
    return text;
}

void printTable(const QString &heading, const QList<gamestate::FileStatus> &files)
{
    out() << shown(heading) << '\n';
    if (!files.isEmpty()) {
        out() << qSetFieldWidth(9) << Qt::left << "MOD" << qSetFieldWidth(27) << "STATE"
              << qSetFieldWidth(0) << "FILE\n";
    }
    // Each word made once, not once a file.
    QString mods[4], states[4];
    for (int i = 0; i < 4; ++i) {
        mods[i] = gamestate::modKey(gamestate::Mod(i));
        states[i] = gamestate::stateWord(gamestate::State(i));
    }
    for (const gamestate::FileStatus &f : files) {
        out() << qSetFieldWidth(9) << mods[int(f.mod)] << qSetFieldWidth(27) << states[int(f.state)]
              << qSetFieldWidth(0) << shown(f.game) << '\n';
    }
    out() << gamefiles::summary(files) << '\n';
}

void printJson(bool demo, const QString &root, const QList<gamestate::FileStatus> &files)
{
    QJsonArray list;
    for (const gamestate::FileStatus &f : files) {
        list.append(QJsonObject{{QStringLiteral("mod"), gamestate::modKey(f.mod)},
                                {QStringLiteral("file"), f.game},
                                {QStringLiteral("backup"), f.backup},
                                {QStringLiteral("state"), gamestate::stateWord(f.state)}});
    }
    const QJsonObject all{
        {QStringLiteral("variant"), demo ? QStringLiteral("demo") : QStringLiteral("full")},
        {QStringLiteral("installFolder"), root},
        {QStringLiteral("summary"), gamefiles::summary(files)},
        {QStringLiteral("files"), list}};
    out() << QJsonDocument(all).toJson(QJsonDocument::Indented);
}

int fail(const QString &why)
{
    err() << QCoreApplication::applicationName() << ": " << why << '\n';
    return CannotRun;
}

int run(QCoreApplication &app)
{
    setUpAppName();
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption status(QStringLiteral("status"),
                                    QStringLiteral("Print the state of every game file the "
                                                   "program changed, as a table."));
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("With --status: print it as JSON."));
    const QCommandLineOption restoreAll(
        QStringLiteral("restore-all"),
        QStringLiteral("Put every original back, as Restore Everything in the Game Files window "
                       "does, and set the settings to match."));
    const QCommandLineOption yes(QStringLiteral("yes"),
                                 QStringLiteral("With --restore-all: also restore files changed "
                                                "since the program wrote them, without asking."));
    const QCommandLineOption demoOption(QStringLiteral("demo"),
                                        QStringLiteral("Work on the demo's install."));
    parser.addOptions({status, json, restoreAll, yes, demoOption});

    if (!parser.parse(app.arguments()))
        return fail(parser.errorText() + QStringLiteral("\nTry --help."));
    // Qt adds --help-all beside --help; this program has no further options to list.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        out() << parser.helpText();
        return AllOriginal;
    }
    if (parser.isSet(version)) {
        out() << app.applicationName() << ' ' << app.applicationVersion() << '\n';
        return AllOriginal;
    }
    if (parser.isSet(status) == parser.isSet(restoreAll) || !parser.positionalArguments().isEmpty()
        || (parser.isSet(json) && !parser.isSet(status))
        || (parser.isSet(yes) && !parser.isSet(restoreAll)))
        return fail(QStringLiteral("give --status [--demo] [--json] or --restore-all [--demo] "
                                   "[--yes].\nTry --help."));

    if (!QFileInfo(QString::fromLatin1(settingsFileName)).isFile())
        return fail(QStringLiteral("no %1 in %2: start the program once in this folder and tell "
                                   "it where the game is installed.")
                        .arg(QLatin1String(settingsFileName),
                             QDir::toNativeSeparators(QDir::currentPath())));
    // The window's program and this one would mix up their changes.
    platform::WorkingFolderLock lock;
    try {
        if (!lock.take())
            return fail(QStringLiteral("the program is running in %1 (process %2): close it first.")
                            .arg(QDir::toNativeSeparators(QDir::currentPath()))
                            .arg(lock.holder()));
    } catch (const platform::FileError &e) {
        return fail(e.explain());
    }
    TerminalDialogs dialogs;
    dialogs.assumeYes = parser.isSet(yes);
    AppContext ctx(dialogs);
    ctx.loadSettings();
    const bool demo = parser.isSet(demoOption);
    const QString root
        = gameRootOf(demo ? ctx.settings.demoInstallDir : ctx.settings.fullInstallDir);
    const QString native = QDir::toNativeSeparators(ctx.files.nativePath(root));
    const QString variant = demo ? QStringLiteral("demo") : QStringLiteral("full game");
    if (!ctx.files.folderExists(root))
        return fail(QStringLiteral("the %1 is not installed in %2 (the folder is missing).")
                        .arg(variant, native));
    // A folder of something else: nothing there is the game's, so nothing can be told of it.
    if (!ctx.files.folderExists(root + QStringLiteral("Game\\data\\")))
        return fail(QStringLiteral("the %1 is not installed in %2 (it holds no Game\\data folder).")
                        .arg(variant, native));
    const QString heading
        = (demo ? QStringLiteral("Demo in ") : QStringLiteral("Full game in ")) + native;

    // Programs of other working folders may work on the same install; a look
    // only reads, and writes the install's record only while no other does.
    platform::WorkingFolderLock installLock(ctx.files.nativePath(root));
    const bool lockable = platform::WorkingFolderLock::canLock(ctx.files.nativePath(root));
    ctx.record.mayWrite = [&](const QString &) { return installLock.held() || !lockable; };
    if (parser.isSet(status) && lockable) {
        try {
            installLock.take();
        } catch (const platform::FileError &) {
        }
    } else if (lockable) {
        try {
            if (!installLock.take())
                return fail(
                    QStringLiteral("the program is running on the install in %1%2: close "
                                   "it first.")
                        .arg(native, installLock.holder() > 0
                                         ? QStringLiteral(" (process %1)").arg(installLock.holder())
                                         : QString()));
        } catch (const platform::FileError &e) {
            return fail(e.explain());
        }
    }

    if (parser.isSet(status)) {
        const QList<gamestate::FileStatus> files = gamefiles::look(ctx, root, demo);
        if (parser.isSet(json))
            printJson(demo, native, files);
        else
            printTable(heading, files);
        return exitCodeOf(files);
    }
    const gamefiles::RestoreReport report = gamefiles::restoreEverything(ctx, root, demo);
    const QList<gamestate::FileStatus> after = gamefiles::look(ctx, root, demo);
    out() << report.text() << '\n';
    if (const QString details = report.details(); !details.isEmpty())
        out() << details << '\n';
    printTable(heading, after);
    return report.failed.isEmpty() ? exitCodeOf(after) : NotRestorable;
}

} // namespace

bool wantsCommandLine(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (std::strncmp(a, "--", 2) == 0 || !std::strcmp(a, "-h") || !std::strcmp(a, "-v")
            || !std::strcmp(a, "-?"))
            return true;
    }
    return false;
}

int runCommandLine(int argc, char **argv)
{
    platform::attachTerminal();
    QCoreApplication app(argc, argv);
    const int code = run(app);
    out().flush();
    err().flush();
    return code;
}

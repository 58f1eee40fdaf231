#pragma once
// What every benchmark program shares: failing checks, a trick folder of many
// files, and a main() that works in a temporary folder removed at the end.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <stdexcept>

namespace bench {

// Thrown, not exited, so the temporary folder is still removed.
[[noreturn]] inline void fail(const QString &what)
{
    throw std::runtime_error(what.toStdString());
}

inline void check(bool ok, const QString &what)
{
    if (!ok)
        fail(what);
}

// count empty files named like the game's ("Anim_000123.ska") and one small subfolder.
inline void fillTrickFolder(const QString &folder, int count)
{
    check(QDir().mkpath(folder + QStringLiteral("/sub")), QStringLiteral("cannot make ") + folder);
    for (int i = 0; i < count; ++i) {
        QFile f(QStringLiteral("%1/Anim_%2.ska").arg(folder).arg(i, 6, 10, QLatin1Char('0')));
        check(f.open(QIODevice::WriteOnly), QStringLiteral("cannot write in ") + folder);
    }
}

// Runs body on a fresh temporary folder ($TMPDIR, else the system's); a
// failed check ends the program with its reason and status 1.
inline int run(int argc, char **argv, const char *name,
               const std::function<void(const QString &folder)> &body)
{
    // Widgets need a platform; without a display this one always works.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vertz-bench-XXXXXX"));
        check(dir.isValid(),
              QStringLiteral("cannot create a temporary folder: ") + dir.errorString());
        std::printf("data in %s\n\n", qPrintable(dir.path()));
        body(dir.path());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s: %s\n", name, e.what());
        return 1;
    }
    return 0;
}

} // namespace bench

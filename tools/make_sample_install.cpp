// Makes a made-up game install for a person to try the program on, and prints
// the game root to type into the program's first-run question.
//
//   make_sample_install <folder> [--demo]

#include "tests/fixture/GameFixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <exception>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: make_sample_install <folder> [--demo]\n"
                         "  Makes a sample game install (full game, or the demo with --demo)\n"
                         "  in <folder>, which must be missing or empty.\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    QString folder;
    auto variant = fixture::Variant::Full;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--demo")) {
            variant = fixture::Variant::Demo;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help")) {
            usage();
            return 0;
        } else if (arg.startsWith(QLatin1Char('-')) || !folder.isEmpty()) {
            return usage();
        } else {
            folder = arg;
        }
    }
    if (folder.isEmpty())
        return usage();

    // Never mix the sample with anything already there, least of all a real install.
    const QFileInfo info(folder);
    if (info.exists()) {
        if (!info.isDir()) {
            std::fprintf(stderr, "make_sample_install: %s exists and is not a folder\n",
                         qPrintable(QDir::toNativeSeparators(folder)));
            return 1;
        }
        if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                  | QDir::System)) {
            std::fprintf(stderr,
                         "make_sample_install: %s is not empty; choose a new or empty folder\n",
                         qPrintable(QDir::toNativeSeparators(folder)));
            return 1;
        }
    }

    const QString root = QFileInfo(folder).absoluteFilePath();
    try {
        fixture::makeInstall(root, variant);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_sample_install: %s\n", e.what());
        return 1;
    }

    std::printf("Made a sample %s install (%d files) in %s\n",
                variant == fixture::Variant::Full ? "full game" : "demo",
                int(fixture::gameFiles(variant).size()),
                qPrintable(QDir::toNativeSeparators(root)));
    std::printf("Game folder to enter when the program asks:\n%s\n",
                qPrintable(fixture::gameRootOf(root)));
    return 0;
}

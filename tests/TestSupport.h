#pragma once

#include "app/AppContext.h"
#include "app/Look.h"
#include "app/frmMod.h"
#include "platform/ScriptedDialogs.h"
#include "tests/fixture/GameFixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#include <unistd.h>
#endif

// While alive, file permissions apply to this process even when it runs as
// root (as CI does), so read-only folders can be tested for real.
class PermissionsApply {
public:
    PermissionsApply()
    {
#ifdef Q_OS_LINUX
        if (::geteuid() == 0) {
            ::setfsgid(65534);
            ::setfsuid(65534);
        }
#endif
    }
    ~PermissionsApply()
    {
#ifdef Q_OS_LINUX
        if (::geteuid() == 0) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
#endif
    }
    PermissionsApply(const PermissionsApply &) = delete;
    PermissionsApply &operator=(const PermissionsApply &) = delete;
};

// Every file below a folder with its content, keyed by relative path.
inline QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        files.insert(QDir(folder).relativeFilePath(path), f.readAll());
    }
    return files;
}

// A fresh working folder (made current) and room for game installs, removed
// again at the end of each test.
class TestBench {
public:
    TestBench() : m_oldCwd(QDir::currentPath())
    {
        // Open to everyone, so tests that drop root's privileges can still read.
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                | QFile::ReadOther | QFile::ExeOther
                                                | QFile::ReadGroup | QFile::ExeGroup);
        QDir().mkpath(m_dir.filePath(QStringLiteral("work")));
        QDir::setCurrent(m_dir.filePath(QStringLiteral("work")));
    }
    ~TestBench() { QDir::setCurrent(m_oldCwd); }

    bool valid() const { return m_dir.isValid(); }
    QString path(const QString &rel) const { return m_dir.filePath(rel); }

    // Makes a complete install and returns its game root.
    QString makeGame(fixture::Variant v, const QString &name)
    {
        const QString root = m_dir.filePath(name);
        fixture::makeInstall(root, v);
        return fixture::gameRootOf(root);
    }

    static void writeIni(const QByteArray &bytes)
    {
        QFile f(QStringLiteral("vertzmod.ini"));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    static QByteArray readIni()
    {
        QFile f(QStringLiteral("vertzmod.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // A settings file with every line given; lines 3 to 13 as numbers.
    static QByteArray ini(const QString &full, const QString &demo, QList<int> numbers)
    {
        QByteArray out = full.toLocal8Bit() + "\r\n" + demo.toLocal8Bit() + "\r\n";
        for (int n : numbers)
            out += QByteArray::number(n) + "\r\n";
        return out;
    }

private:
    QString m_oldCwd;
    QTemporaryDir m_dir;
};

// The main window with its context, as main() builds it.
struct Program {
    platform::ScriptedDialogs dialogs;
    AppContext ctx{dialogs};
    std::unique_ptr<frmMod> window;

    Program() : window(std::make_unique<frmMod>(ctx)) {}

    // Starts as main() does: the load step, then the window on screen.
    bool loadAndShow()
    {
        if (!window->Form_Load())
            return false;
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }
};

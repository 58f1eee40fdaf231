#pragma once

// What every test program shares: real folders to work in, file helpers, and
// scoped changes to permissions and limits that are undone however a test ends.

#include "tests/ScriptedDialogs.h"
#include "tests/fixture/GameFixture.h"

#include "platform/NameEncoding.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#endif

// The whole file, or a text no real file in a test holds.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Every file below a folder with its content, keyed by relative path.
inline QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return files;
}

// While alive, file permissions apply to this process even when it runs as
// root (as CI does), so read-only folders can be tested for real.
class AsPlainUser {
public:
    AsPlainUser() { setIds(65534); }
    ~AsPlainUser() { setIds(0); }
    AsPlainUser(const AsPlainUser &) = delete;
    AsPlainUser &operator=(const AsPlainUser &) = delete;

private:
    static void setIds([[maybe_unused]] unsigned id)
    {
#ifdef Q_OS_LINUX
        if (::geteuid() == 0) {
            ::setfsgid(id);
            ::setfsuid(id);
        }
#endif
    }
};

// Gives a file or folder other permissions until the end of the scope.
class ScopedPermissions {
public:
    ScopedPermissions(QString path, QFile::Permissions p)
        : m_path(std::move(path)), m_old(QFile::permissions(m_path))
    {
        QFile::setPermissions(m_path, p);
    }
    ~ScopedPermissions() { QFile::setPermissions(m_path, m_old); }
    ScopedPermissions(const ScopedPermissions &) = delete;
    ScopedPermissions &operator=(const ScopedPermissions &) = delete;

    static constexpr QFile::Permissions readOnly = QFile::ReadOwner | QFile::ExeOwner
                                                   | QFile::ReadGroup | QFile::ExeGroup
                                                   | QFile::ReadOther | QFile::ExeOther;

private:
    QString m_path;
    QFile::Permissions m_old;
};

#ifdef Q_OS_UNIX
// Cuts writes short past a size, as a full disk does, until the end of the scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = rlim_t(bytes);
        m_ok = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok() const { return m_ok; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_ok = false;
};
#endif

// A fresh working folder (made current) and room for game installs, removed
// again at the end of each test.
class TestBench {
public:
    TestBench() : m_oldCwd(QDir::currentPath())
    {
        // Open to everyone, so tests that drop root's privileges can still read.
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                | ScopedPermissions::readOnly);
        QDir().mkpath(m_dir.filePath(QStringLiteral("work")));
        QDir::setCurrent(m_dir.filePath(QStringLiteral("work")));
    }
    ~TestBench() { QDir::setCurrent(m_oldCwd); }

    QString path(const QString &rel) const { return m_dir.filePath(rel); }

    // Makes a complete install below path(name) and returns its game root.
    QString makeGame(fixture::Variant v, const QString &name)
    {
        const QString root = m_dir.filePath(name);
        fixture::makeInstall(root, v);
        return fixture::gameRootOf(root);
    }

    static void writeIni(const QByteArray &bytes)
    {
        writeFile(QStringLiteral("vertzmod.ini"), bytes);
    }
    static QByteArray readIni() { return readFile(QStringLiteral("vertzmod.ini")); }
    // Line n (1-based) of the settings file, without its line end.
    static QByteArray iniLine(int n)
    {
        QByteArray line = readIni().split('\n').value(n - 1);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }
    // A settings file with every line given; lines 3 to 13 as numbers.
    static QByteArray ini(const QString &full, const QString &demo, QList<int> numbers)
    {
        QByteArray out = platform::encodePath(full) + "\r\n" + platform::encodePath(demo) + "\r\n";
        for (int n : numbers)
            out += QByteArray::number(n) + "\r\n";
        return out;
    }

private:
    QString m_oldCwd;
    QTemporaryDir m_dir;
};

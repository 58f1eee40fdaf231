#pragma once

#include <QFile>
#include <QString>

// Copies the program's delivered data files from the source tree into the
// working folder, where the program opens them by bare name.
inline bool copyDeliveredFiles()
{
    for (const char *name : {"gamemenu.qb", "Motox_Scripts.qb", "blank.dat", "blankfont.dat"}) {
        QFile::remove(QLatin1String(name));
        if (!QFile::copy(QStringLiteral(VERTZ_DATA_DIR "/") + QLatin1String(name),
                         QLatin1String(name)))
            return false;
    }
    return true;
}

inline QByteArray deliveredFile(const char *name)
{
    QFile f(QStringLiteral(VERTZ_DATA_DIR "/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

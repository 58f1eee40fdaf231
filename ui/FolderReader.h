#pragma once

#include "platform/FolderReading.h"

#include <QHash>
#include <QString>

// Reads folders for the trick lists. While a Share is alive a folder read
// once is handed out again: one folder change that moves several lists to the
// same folder reads it once. Nothing changes files while a Share is alive;
// outside one every read goes to the disk.
class FolderReader {
public:
    // Throws platform::FileError.
    platform::FolderContents read(const QString &nativeFolder);

    class Share {
    public:
        explicit Share(FolderReader &reader) : m_reader(reader) { ++m_reader.m_shares; }
        ~Share()
        {
            if (--m_reader.m_shares == 0)
                m_reader.m_readings.clear();
        }
        Share(const Share &) = delete;
        Share &operator=(const Share &) = delete;

    private:
        FolderReader &m_reader;
    };

private:
    int m_shares = 0;
    QHash<QString, platform::FolderContents> m_readings;
};

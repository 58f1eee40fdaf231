#include "ui/FolderReader.h"

platform::FolderContents FolderReader::read(const QString &nativeFolder)
{
    if (m_shares > 0) {
        const auto found = m_readings.constFind(nativeFolder);
        if (found != m_readings.constEnd())
            return *found;
    }
    platform::FolderContents contents = platform::readFolder(nativeFolder);
    if (m_shares > 0)
        m_readings.insert(nativeFolder, contents);
    return contents;
}

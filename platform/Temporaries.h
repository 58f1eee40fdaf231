#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

class QFile;

namespace platform {

// The name pattern of the temporary files a copy or a save writes beside its
// destination: ".vertz-" and eight hexadecimal digits. A person would not
// choose such a name: only these are ever removed as leftovers.
bool isCopyLeftover(QStringView name);
// The temporary a copy or save onto a file of that name writes beside it: the eight
// digits come from the name, case folded, and an attempt number (the next
// one when the name is taken by something not the program's own). A killed
// copy's leftover is so known to the next copy onto the same file by name,
// without a listing of the folder.
QString temporaryNameFor(QStringView fileName, int attempt = 0);

namespace detail {

// Whether copies onto these file names may have their temporaries in one
// folder at once: no name one of them may take is one another may take, so
// none takes another's for a killed copy's leftover.
bool temporariesApart(const QStringList &fileNames);
// Removes what killed copies left in a native folder: plain files of the
// temporary name pattern, never a link of that name or anything else.
void removeLeftovers(const QString &folder);
// Removes what a killed copy or save onto the file name left in a native
// folder ending in '/': the plain file of its temporary's name. A link or
// anything else of that name is left alone, and the next attempt's name
// looked at.
void removeLeftoverOf(const QString &folder, QStringView name);
// Creates the temporary of a copy or save onto the file name in a native
// folder ending in '/', with the usual permissions (umask), unlike
// QTemporaryFile's 0600; returns its path. A failure is op's on path (shown).
QString createTemporary(QFile &out, const QString &folder, QStringView name, const QString &op,
                        const QString &path);

} // namespace detail

} // namespace platform

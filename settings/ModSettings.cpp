#include "settings/ModSettings.h"

#include "platform/Dialogs.h"
#include "platform/FileError.h"
#include "platform/NameEncoding.h"
#include "platform/OwnFiles.h"

#include <QDir>
#include <QList>

namespace {

constexpr int lineCount = 13;
// A settings file is a few hundred bytes; never pull a huge junk file into memory.
constexpr qint64 maxRead = 1 << 20;

QList<SettingValue *> numericFields(ModSettings &s)
{
    return {&s.fullBoard,    &s.demoBoard,        &s.demoMode,         &s.motoxEnabled,
            &s.motoxMode,    &s.fullBalanceShown, &s.demoBalanceShown, &s.fullHudShown,
            &s.demoHudShown, &s.fullFontShown,    &s.demoFontShown};
}

// Splits on CR LF, a lone CR or a lone LF; a last line without an end counts.
QList<QByteArray> splitLines(const QByteArray &data, int max)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n && lines.size() < max; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(data.mid(start, i - start));
        if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n && lines.size() < max)
        lines.append(data.mid(start));
    return lines;
}

// Reads as many of the 13 lines as the file has into the record, in order.
// True when all 13 were there. Something other than a plain file in the
// file's place counts as unreadable: the rebuild refuses it too, and says why.
bool readFile(ModSettings &s)
{
    std::optional<QByteArray> data;
    try {
        data = platform::readOwnFile(QString::fromLatin1(settingsFileName), maxRead);
    } catch (const platform::FileError &) {
        return false;
    }
    if (!data)
        return false;
    const QList<QByteArray> lines = splitLines(*data, lineCount);

    // Folder lines keep every byte, valid in the system's encoding or not.
    if (lines.size() > 0)
        s.fullInstallDir = platform::decodePath(lines[0]);
    if (lines.size() > 1)
        s.demoInstallDir = platform::decodePath(lines[1]);
    const auto fields = numericFields(s);
    for (int i = 2; i < lines.size(); ++i)
        *fields[i - 2] = SettingValue::fromText(lines[i]);
    return lines.size() == lineCount;
}

// The file's text, the empty fields given their defaults first.
QByteArray format(ModSettings &s)
{
    for (SettingValue *v : {&s.fullBalanceShown, &s.demoBalanceShown, &s.fullHudShown,
                            &s.demoHudShown, &s.fullFontShown, &s.demoFontShown}) {
        if (v->isEmpty())
            *v = 1;
    }
    for (SettingValue *v : {&s.fullBoard, &s.demoBoard, &s.motoxEnabled, &s.motoxMode}) {
        if (v->isEmpty())
            *v = 0;
    }
    if (s.fullInstallDir.isEmpty())
        s.fullInstallDir = QString::fromLatin1(defaultFullInstallDir);
    if (s.demoInstallDir.isEmpty())
        s.demoInstallDir = QString::fromLatin1(defaultDemoInstallDir);
    QByteArray out;
    const auto line = [&out](const QByteArray &text) { out += text + "\r\n"; };
    line(platform::encodePath(s.fullInstallDir));
    line(platform::encodePath(s.demoInstallDir));
    for (SettingValue *v : numericFields(s))
        line(v == &s.demoMode ? v->signForm() : v->printForm());
    return out;
}

// Takes an unusable value as its default; true when it had to.
bool mend(SettingValue &v, bool zeroOrOne)
{
    const auto n = v.toNumber();
    if (n && (!zeroOrOne || *n == 0 || *n == 1))
        return false;
    v = 0;
    return true;
}

} // namespace

bool saveSettings(ModSettings &s, platform::Dialogs &dialogs)
{
    const QByteArray text = format(s);
    const QString name = QString::fromLatin1(settingsFileName);
    const auto fail = [&dialogs](const QString &detail) {
        dialogs.message(QStringLiteral("Error! The settings could not be saved."),
                        QString::fromLatin1(errorTitle), detail);
        return false;
    };
    // Only ever a plain file: a link or a special file is refused, not replaced.
    try {
        platform::requireOwnFile(QStringLiteral("write"), name);
    } catch (const platform::FileError &e) {
        return fail(e.explain());
    }
    try {
        platform::writeOwnFile(name, text);
    } catch (const platform::FileError &e) {
        return fail(QStringLiteral("Cannot write %1: %2")
                        .arg(QDir::current().absoluteFilePath(name), e.reason()));
    }
    return true;
}

QString gameRootOf(const QString &installDir)
{
    return installDir.endsWith(u'\\') || installDir.endsWith(u'/') ? installDir
                                                                   : installDir + u'\\';
}

void loadSettings(ModSettings &s, platform::Dialogs &dialogs)
{
    // A missing or short file is rebuilt from what was read plus defaults and
    // read again; once is enough, and a folder that cannot be written must
    // not make this loop.
    if (!readFile(s) && saveSettings(s, dialogs))
        readFile(s);

    bool mended = mend(s.demoMode, true);
    mended |= mend(s.motoxEnabled, false);
    mended |= mend(s.motoxMode, true);
    // An empty folder line would leave an empty game root, and the mods would
    // work below the working folder: saving fills in the default folder.
    mended |= s.fullInstallDir.isEmpty() || s.demoInstallDir.isEmpty();
    s.demoMode = s.demoMode.toNumber(0);
    if (mended)
        saveSettings(s, dialogs);

    s.gameRoot = gameRootOf(s.isDemo() ? s.demoInstallDir : s.fullInstallDir);
}

// Loads arbitrary bytes as vertzmod.ini and checks what loading promises: no
// crash, hang or question to the player; the record it yields saves, reloads
// as itself and saves as the same bytes; the lines it keeps go back unchanged.
#include "settings/ModSettings.h"
#include "tests/ScriptedDialogs.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// Loading works in the current folder; libFuzzer's own relative paths (corpus,
// artifacts) need the folder it was started in back between inputs.
std::filesystem::path startDir, workDir;

void check(bool ok, const char *what)
{
    if (ok)
        return;
    std::filesystem::current_path(startDir);
    std::fprintf(stderr, "fuzz_settings: %s\n", what);
    std::abort();
}

QByteArray readIni()
{
    QFile f(QString::fromLatin1(settingsFileName));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

// A fresh record loaded from the file on disk: the player is asked nothing
// and the values the program acts on are usable.
ModSettings load()
{
    ModSettings s;
    ScriptedDialogs dialogs;
    loadSettings(s, dialogs);
    check(dialogs.shown.isEmpty(), "loading asked");
    check(s.demoMode.state() == SettingValue::State::Number
              && (s.demoMode.equals(0) || s.demoMode.equals(1)) && s.motoxEnabled.toNumber()
              && (s.motoxMode.equals(0) || s.motoxMode.equals(1)),
          "an unusable variant or MotoX value survived loading");
    check(s.gameRoot == gameRootOf(s.isDemo() ? s.demoInstallDir : s.fullInstallDir),
          "wrong game root");
    return s;
}

QByteArray save(ModSettings &s)
{
    ScriptedDialogs dialogs;
    check(saveSettings(s, dialogs) && dialogs.shown.isEmpty(), "saving failed");
    return readIni();
}

bool sameRecord(const ModSettings &a, const ModSettings &b)
{
    static const SettingValue ModSettings::*const fields[] = {
        &ModSettings::fullBoard,        &ModSettings::demoBoard,    &ModSettings::demoMode,
        &ModSettings::motoxEnabled,     &ModSettings::motoxMode,    &ModSettings::fullBalanceShown,
        &ModSettings::demoBalanceShown, &ModSettings::fullHudShown, &ModSettings::demoHudShown,
        &ModSettings::fullFontShown,    &ModSettings::demoFontShown};
    bool same = a.fullInstallDir == b.fullInstallDir && a.demoInstallDir == b.demoInstallDir
                && a.gameRoot == b.gameRoot;
    for (const auto field : fields)
        same = same && (a.*field).printForm() == (b.*field).printForm();
    return same;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // tmpfs keeps the file work fast; TMPDIR wins so run.sh can clean up after a crash.
    const char *tmp = std::getenv("TMPDIR");
    std::string base = tmp && *tmp                                 ? tmp
                       : std::filesystem::is_directory("/dev/shm") ? "/dev/shm"
                                                                   : "/tmp";
    std::string dir = base + "/vertz-fuzz-XXXXXX";
    check(::mkdtemp(dir.data()), "no working folder");
    startDir = std::filesystem::current_path();
    workDir = dir;
    std::atexit([] { std::filesystem::remove_all(workDir); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::filesystem::current_path(workDir);
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QFile f(QString::fromLatin1(settingsFileName));
    check(f.open(QIODevice::WriteOnly) && f.write(input) == input.size(), "cannot write input");
    f.close();

    ModSettings first = load();
    const QByteArray saved = save(first);
    check(saved.endsWith("\r\n") && saved.count("\r\n") == 13, "not 13 lines ending in CR LF");
    ModSettings second = load();
    check(readIni() == saved, "a saved file was rewritten when loaded");
    check(sameRecord(first, second), "the saved record reloads differently");
    check(save(second) == saved, "saving the reloaded record gives other bytes");

    // Lines the program keeps go back unchanged: folders, boards and display
    // states unless empty, the MotoX lines while usable; the variant line in
    // sign form.
    QByteArray lineEnds = input;
    const QList<QByteArray> in = lineEnds.replace("\r\n", "\n").replace('\r', '\n').split('\n');
    const QList<QByteArray> out = saved.split('\n');
    for (int i = 0; i < 13 && i < in.size(); ++i) {
        const auto n = SettingValue::fromText(in[i]).toNumber();
        const bool mended = in[i].isEmpty() || (i == 5 && !n) || (i == 6 && n != 0 && n != 1);
        const QByteArray kept = i == 4 ? (n == 1 ? " 1" : " 0") : in[i];
        check((mended && i != 4) || out[i] == kept + '\r', "a kept line changed");
    }
    std::filesystem::current_path(startDir);
    return 0;
}

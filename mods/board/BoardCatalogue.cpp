#include "mods/board/BoardCatalogue.h"

namespace board {

const std::array<BoardEntry, boardCount> catalogue = {{
    {"Regular Deck", "default", 300, 1335},
    {"Banana", "banana", 660, 1395},
    {"Hoverboard", "hover", 1020, 1335},
    {"Longboard", "long", 1380, 1335},
    {"Bum Deck", "ollie", 1740, 1335},
    {"Old School", "oldschool", 2100, 1335},
}};

QStringList boardParts()
{
    return {QStringLiteral("cas"), QStringLiteral("col"), QStringLiteral("skin"),
            QStringLiteral("tex"), QStringLiteral("usg")};
}

QString boardFileName(const QString &key, const QString &part, bool demo)
{
    return demo ? QStringLiteral("board_%1.%2.xbx").arg(key, part)
                : QStringLiteral("board_%1%2.dat").arg(key, part);
}

int boardIndexOf(int stored)
{
    return stored >= 0 && stored < boardCount ? stored : 0;
}

} // namespace board

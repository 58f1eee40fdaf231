#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace board {

struct BoardEntry {
    const char *caption;
    const char *key; // names the board's model files
    int top;         // twips inside the page
    int width;       // twips
};

constexpr int boardCount = 6;
// Index 0 is the game's own board.
extern const std::array<BoardEntry, boardCount> catalogue;

// The five model parts of a board, in the order every step handles them.
QStringList boardParts();

// File name of part of the board with key: "board_" + key + part + ".dat" in
// the full game, "board_" + key + "." + part + ".xbx" in the demo.
QString boardFileName(const QString &key, const QString &part, bool demo);

// The index a stored selection stands for; anything unusable is the game's own board.
int boardIndexOf(int stored);

} // namespace board

#pragma once

#include "ui/ImageList.h"

#include <QGroupBox>

class AppContext;
class QButtonGroup;
class QLabel;
class QRadioButton;

// The "Board Mods" page: six board shapes and the preview of the applied one.
// A click selects a shape, a double click puts it into the game.
class BoardPage : public QGroupBox {
    Q_OBJECT

public:
    explicit BoardPage(AppContext &ctx, QWidget *parent = nullptr);

    // Selects the stored board of the variant in use, as a click would, and
    // applies it again. Used at start-up and on activation.
    void reapplyStored();

    // Select board: remember index as the variant's selection and mark it.
    void Board_Click(int index);
    // Apply board: swap the game's board files for this one.
    void Board_DblClick(int index);

    // The board the last successful swap of the variant put in place.
    int appliedBoard(bool demo) const { return m_applied[demo ? 1 : 0]; }

    QRadioButton *Board[6];
    QButtonGroup *BoardGroup;
    QLabel *PicPreview;
    // Decoded when first shown.
    ui::ImageList ilsPreview;

signals:
    // After every selection, by a click or by the program.
    void boardSelected(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void showPreview(int imageNumber);
    void paintPreview();

    AppContext &m_ctx;
    int m_applied[2] = {0, 0};
    // Whether a swap of the variant succeeded since the start, so that its
    // board is known to be the one in the game.
    bool m_swapped[2] = {false, false};
    bool m_toggledSincePress = false;
    int m_painted = 0; // the image number PicPreview holds, 0 for none
};

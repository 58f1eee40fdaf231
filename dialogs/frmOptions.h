#pragma once

#include <QWidget>

class AppContext;
class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The options dialog: which variant is modded and where it is installed.
// Opened from the main window's menu, modeless and without an owner; it reads
// the settings file each time it is created.
class frmOptions : public QWidget {
    Q_OBJECT

public:
    explicit frmOptions(AppContext &ctx, QWidget *parent = nullptr);

    // Centres the dialog and shows the stored variant and its folder.
    void Form_Load();
    void chkDemo_Click();
    // Stores the variant and folder shown, with a final backslash.
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    QTabWidget *TabStrip1;
    QGroupBox *Frame1;
    QLabel *Label1;
    QPlainTextEdit *txtVertzDir;
    QCheckBox *chkDemo;
    QLabel *Label2;
    QPushButton *cmdOK;
    QPushButton *cmdCancel;
    QPushButton *cmdApply;

private:
    // Puts a stored folder into the text box and remembers it.
    void showFolder(const QString &folder);
    // The folder in the text box: as stored when the player left it alone,
    // else the text as typed, every character kept but the line breaks.
    QString folderText() const;

    AppContext &m_ctx;
    QString m_shownFolder; // the folder last put into the box
    QString m_shownText;   // and the box's text right after
};

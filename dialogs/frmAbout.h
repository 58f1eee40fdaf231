#pragma once

#include <QWidget>

class AppContext;

// The about box. Opened from the main window's menu; no owner.
class frmAbout : public QWidget {
    Q_OBJECT

public:
    explicit frmAbout(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

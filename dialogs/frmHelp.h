#pragma once

#include <QWidget>

class AppContext;

// The help viewer. Opened from the main window's menu; no owner.
class frmHelp : public QWidget {
    Q_OBJECT

public:
    explicit frmHelp(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

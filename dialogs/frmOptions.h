#pragma once

#include <QWidget>

class AppContext;

// The options dialog. Opened from the main window's menu; no owner.
class frmOptions : public QWidget {
    Q_OBJECT

public:
    explicit frmOptions(AppContext &ctx, QWidget *parent = nullptr);

private:
    AppContext &m_ctx;
};

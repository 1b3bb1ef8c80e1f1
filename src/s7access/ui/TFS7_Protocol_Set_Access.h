#pragma once

#include <QDialog>

struct AppContext;
class TitlePanel;

// The access-list editor: the read and write rules in two grids on two pages.
class TFS7_Protocol_Set_Access : public QDialog
{
    Q_OBJECT
public:
    explicit TFS7_Protocol_Set_Access(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();

private:
    AppContext &m_context;
    TitlePanel *m_title;
};

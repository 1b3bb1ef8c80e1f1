#pragma once

#include <QDialog>

struct AppContext;
class TitlePanel;

// The update window: checks the device by ICMP echo, writes the job and starts the update program.
class TFBoot : public QDialog
{
    Q_OBJECT
public:
    explicit TFBoot(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();

    // The transport; this model always uses 1, Ethernet (UDP).
    int Form_Type = 1;

private:
    AppContext &m_context;
    TitlePanel *m_title;
};

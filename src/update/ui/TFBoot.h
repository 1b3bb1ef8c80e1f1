#pragma once

#include "update/DeviceCheck.h"

#include <QDialog>

struct AppContext;
class TitlePanel;
class FlatButton;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;

// The update window: checks the device by ICMP echo, remembers the choices, writes the job
// Ethernet_Update.xml and starts the update program, which does the transfer.
class TFBoot : public QDialog
{
    Q_OBJECT
public:
    explicit TFBoot(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();

    // The transport; this model always uses 1, Ethernet (UDP).
    int Form_Type = 1;

    // The outcome of the last device check (0 none, 1 a reply with data, 2 a reply without
    // data or none in time).
    int ping_res = 0;

    // Where the update program is looked for when the program folder has none: the folder of
    // the configurator's own executable.
    QString Own_Program_Dir;

    // Checks that the address in the four fields answers; keeps the outcome.
    bool Send_Ping();
    // Writes Program_Dir/Ethernet_Update.xml from the fields and choices. Throws FileError.
    void Compile_XML_Parameter_New_Boot();
    static bool Split_IP_Address(const QString &text, QString &a, QString &b, QString &c, QString &d);

public slots:
    // Escape and the close box do nothing while the device is checked.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void Btn_UpdateClick();
    // Handles "." in the address fields; true when the key was swallowed.
    bool KeyPress(QLineEdit *field, const QString &key);
    QString deviceAddress() const;
    void setBusy(bool busy);

    AppContext &m_context;
    TitlePanel *m_title;
    QFrame *m_ipPanel;
    QFrame *m_optionsPanel;
    QFrame *m_buttonPanel;
    QLabel *m_ipLabel;
    QLineEdit *m_ip[4];
    QLabel *m_optionLabel;
    QComboBox *m_options;
    QCheckBox *m_readBack;
    FlatButton *m_cancel;
    FlatButton *m_update;
    PingOutcome m_lastPing;
    bool m_busy = false;
};

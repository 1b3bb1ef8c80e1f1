#pragma once

#include <QWidget>

struct AppContext;
class FlatButton;
class QFrame;
class QLabel;
class QTimer;
class ClickableLabel;
class TFAbout;
class TFNew_Project;
class TFOpenConf;
class TFSoftOptions;
class TFParGen;
class TFBoot;
class TFS7_Protocol_Set_Access;

// The main window: the product, the open project and the numbered steps. It is not
// resizable and has only a close box; closing it saves the settings and ends the program.
// The start-up steps that need no window (Run_Startup) have run on the context before it is
// created.
class TFBrivanteFirmWare : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 694;
    static constexpr int kFirstCheckMs = 60000;       // first version check after start
    static constexpr int kLaterChecksMs = 7200000;    // then every two hours

    // The windows the steps open, created after the main window.
    struct Peers
    {
        TFAbout *about = nullptr;
        TFNew_Project *newProject = nullptr;
        TFOpenConf *openConf = nullptr;
        TFSoftOptions *options = nullptr;
        TFParGen *parGen = nullptr;
        TFBoot *boot = nullptr;
        TFS7_Protocol_Set_Access *access = nullptr;
    };

    explicit TFBrivanteFirmWare(AppContext &context, QWidget *parent = nullptr);
    ~TFBrivanteFirmWare() override;

    void setPeers(const Peers &peers);

    void Set_Lang();
    // Re-labels every window after the text table changed.
    void Change_Language();

    void Btn_Click(QObject *sender);
    void Create_New_Project();
    void Open_Project();
    void Update_Device();
    void Create_GSD_File();
    void Timer_UpdateTimer();

    // Writes Brivant.xml; a failure goes to the general error report. Returns success.
    bool Save_Setting();

    // Enabled exactly when both internet options are on; enabling restarts the count.
    void Set_Update_Timer();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void layoutControls();
    void showConfigurationLabels();
    void setFramedLabel(QLabel *label, const QString &text);
    void setLabel(QLabel *label, const QString &text);
    FlatButton *stepButton(const char *name, int left, int top, int glyph);
    FlatButton *cornerButton(const char *name, int left, int glyph);

    AppContext &m_context;
    Peers m_peers;

    QLabel *m_swCode;
    QLabel *m_swDesc;
    QLabel *m_begin;
    QFrame *m_shape2;
    QLabel *m_nameConf;
    QLabel *m_nameConfL2;
    FlatButton *m_btnInfo;
    FlatButton *m_btnOpz;
    FlatButton *m_btnClose;
    QLabel *m_llUpdate;
    QLabel *m_steps[8];
    FlatButton *m_btnNew;
    FlatButton *m_btnOpen;
    FlatButton *m_btnPrmGen;
    FlatButton *m_btnS7Access;
    FlatButton *m_btnGsd;
    FlatButton *m_btnCreateBin;
    QFrame *m_shape1;
    ClickableLabel *m_norvalt;
    QTimer *m_timerUpdate;
};

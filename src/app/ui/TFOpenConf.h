#pragma once

#include <QDialog>
#include <QStringList>

struct AppContext;
class FlatButton;
class QLabel;
class QListWidget;
class TitlePanel;

// Lists the projects (the folders directly in PROJECTS), preselects the open one and hands
// back the chosen name in Name_Conf. Changes nothing in the workspace itself.
class TFOpenConf : public QDialog
{
    Q_OBJECT
public:
    explicit TFOpenConf(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();

    // Refills SL with the folder names of PROJECTS in the order the file system lists them;
    // hidden entries and files are skipped.
    void Load_Existing_Configuration();
    // Index in SL of the first entry equal to `name` with the letters a-z compared in capitals,
    // or -1.
    int Search_Open_Conf(const QString &name) const;

    QStringList SL;
    QString Name_Conf; // the result: the name to open, empty when there was nothing to choose

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ListBox1Click();
    // "Last saved: ..." of the selected project: the newer of its two files' times.
    void showLastSaved();

    AppContext &m_context;
    TitlePanel *m_title;
    QLabel *m_label1;
    QListWidget *m_list;
    QLabel *m_lastSaved;
    FlatButton *m_ok;
    FlatButton *m_cancel;
};

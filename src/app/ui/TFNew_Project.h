#pragma once

#include <QDialog>

struct AppContext;
class FlatButton;
class QLabel;
class QLineEdit;
class TitlePanel;

// Asks for the name of a new project, creates its folder with "bin" under PROJECTS and makes
// it the open project. Closes with Accepted only once the project exists.
class TFNew_Project : public QDialog
{
    Q_OBJECT
public:
    explicit TFNew_Project(AppContext &context, QWidget *parent = nullptr);

    void Set_Lang();
    void Btn_OKClick();

    // Names that would leave PROJECTS, or that the open dialog could not list: path separators,
    // "." and "..", control characters.
    static bool Name_Is_Refused(const QString &name);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createProject();

    AppContext &m_context;
    TitlePanel *m_title;
    QLabel *m_label1;
    QLineEdit *m_name;
    FlatButton *m_ok;
    FlatButton *m_cancel;
};

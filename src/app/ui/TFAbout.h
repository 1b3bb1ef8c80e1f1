#pragma once

#include <QDialog>

struct AppContext;
class ClickableLabel;
class FlatButton;
class QLabel;

// The program's identity: software code, version and document code, and a link to the
// maker's home page. Its texts are fixed, not taken from the text table.
class TFAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TFAbout(AppContext &context, QWidget *parent = nullptr);

    // Nothing to re-label: present so that every window can be treated alike.
    void Set_Lang() {}
    void FormShow();
    void Label4Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    AppContext &m_context;
    ClickableLabel *m_image2;
    QLabel *m_label2;
    QLabel *m_label9;
    QLabel *m_label10;
    QLabel *m_label12;
    ClickableLabel *m_label4;
    FlatButton *m_ok;
};

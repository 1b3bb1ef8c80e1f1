#pragma once

#include <QFrame>

class QLabel;

// The header panel P_Title of the windows: the software code L_SW_Code in large grey type
// and the window's description L_SW_Desc in bold grey under it.
class TitlePanel : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kHeight = 69;

    explicit TitlePanel(QWidget *parent = nullptr);

    QLabel *codeLabel() const { return m_code; }
    QLabel *descriptionLabel() const { return m_description; }
    void setCode(const QString &text);
    void setDescription(const QString &text);

private:
    QLabel *m_code;
    QLabel *m_description;
};

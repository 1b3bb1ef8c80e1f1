#include "widgets/TitlePanel.h"

#include <QLabel>
#include <QVBoxLayout>

TitlePanel::TitlePanel(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("P_Title"));
    setFixedHeight(kHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xFF));
    setPalette(pal);

    m_code = new QLabel(this);
    m_code->setObjectName(QStringLiteral("L_SW_Code"));
    QFont codeFont(QStringLiteral("Verdana"));
    codeFont.setPixelSize(26);
    codeFont.setBold(true);
    m_code->setFont(codeFont);
    QPalette grey = m_code->palette();
    grey.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    m_code->setPalette(grey);

    m_description = new QLabel(this);
    m_description->setObjectName(QStringLiteral("L_SW_Desc"));
    QFont descFont(QStringLiteral("Verdana"));
    descFont.setPixelSize(12);
    descFont.setBold(true);
    m_description->setFont(descFont);
    m_description->setPalette(grey);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 4, 12, 6);
    layout->setSpacing(0);
    layout->addWidget(m_code);
    layout->addWidget(m_description);
}

void TitlePanel::setCode(const QString &text)
{
    m_code->setText(text);
}

void TitlePanel::setDescription(const QString &text)
{
    m_description->setText(text);
}

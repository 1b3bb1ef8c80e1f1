#include "widgets/CategoryPanel.h"

#include "widgets/WindowStyle.h"

#include <QToolButton>
#include <QVBoxLayout>

CategoryPanel::CategoryPanel(const QString &name, QWidget *parent)
    : QWidget(parent), m_header(new QToolButton(this)), m_content(new QWidget(this))
{
    setObjectName(name);
    m_header->setObjectName(name + QStringLiteral("_Header"));
    m_header->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_header->setArrowType(Qt::DownArrow);
    m_header->setAutoRaise(true);
    m_header->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_header->setFont(WindowStyle::Verdana(WindowStyle::kFontPixels, true));
    m_header->setAutoFillBackground(true);
    QPalette pal = m_header->palette();
    pal.setColor(QPalette::Window, QColor(0xEF, 0xE3, 0xC2));
    pal.setColor(QPalette::Button, QColor(0xEF, 0xE3, 0xC2));
    pal.setColor(QPalette::ButtonText, QColor(0x3A, 0x3A, 0x3A));
    m_header->setPalette(pal);
    connect(m_header, &QToolButton::clicked, this, [this] { setCollapsed(!m_collapsed); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(m_content);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
}

void CategoryPanel::setCaption(const QString &caption)
{
    m_header->setText(caption);
}

QString CategoryPanel::caption() const
{
    return m_header->text();
}

void CategoryPanel::setCollapsed(bool collapsed)
{
    m_collapsed = collapsed;
    m_content->setVisible(!collapsed);
    m_header->setArrowType(collapsed ? Qt::RightArrow : Qt::DownArrow);
}

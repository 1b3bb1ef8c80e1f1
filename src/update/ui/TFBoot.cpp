#include "update/ui/TFBoot.h"

#include "app/ui/AppContext.h"
#include "texts/TextId.h"
#include "widgets/TitlePanel.h"

#include <QVBoxLayout>

TFBoot::TFBoot(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_title(new TitlePanel(this))
{
    setObjectName(QStringLiteral("TFBoot"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addStretch();
    m_title->setCode(m_context.identity.Software_Code);
    resize(449, 260);
    Set_Lang();
}

void TFBoot::Set_Lang()
{
    setWindowTitle(m_context.text(TextId::Boot_UpdateDeviceEthernetUDP));
    m_title->setDescription(m_context.text(TextId::Boot_UpdateDeviceUsingEthernetPort));
}

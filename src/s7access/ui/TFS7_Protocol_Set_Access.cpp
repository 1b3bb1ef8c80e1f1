#include "s7access/ui/TFS7_Protocol_Set_Access.h"

#include "app/ui/AppContext.h"
#include "texts/TextId.h"
#include "widgets/TitlePanel.h"

#include <QVBoxLayout>

TFS7_Protocol_Set_Access::TFS7_Protocol_Set_Access(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_title(new TitlePanel(this))
{
    setObjectName(QStringLiteral("TFS7_Protocol_Set_Access"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addStretch();
    m_title->setCode(m_context.identity.Software_Code);
    resize(1350, 600);
    Set_Lang();
}

void TFS7_Protocol_Set_Access::Set_Lang()
{
    setWindowTitle(m_context.text(TextId::S7_S7commAccess));
    m_title->setDescription(m_context.text(TextId::S7_S7commAccess_1201));
}

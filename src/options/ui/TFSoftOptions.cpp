#include "options/ui/TFSoftOptions.h"

#include "app/ui/AppContext.h"
#include "texts/TextId.h"
#include "widgets/TitlePanel.h"

#include <QVBoxLayout>

TFSoftOptions::TFSoftOptions(AppContext &context, QWidget *parent)
    : QDialog(parent), m_context(context), m_title(new TitlePanel(this))
{
    setObjectName(QStringLiteral("TFSoftOptions"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addStretch();
    m_title->setCode(m_context.identity.Software_Code);
    resize(520, 420);
    Set_Lang();
}

void TFSoftOptions::Set_Lang()
{
    setWindowTitle(m_context.text(TextId::Options_SoftwareOptions));
    m_title->setDescription(m_context.text(TextId::Options_SoftwareOptions_301));
}

bool TFSoftOptions::Check_Version()
{
    return false;
}

#include "app/ui/TFAbout.h"

#include "app/WebServer.h"
#include "app/ui/AppContext.h"
#include "platform/UrlOpener.h"
#include "widgets/ClickableLabel.h"
#include "widgets/FlatButton.h"
#include "widgets/WindowStyle.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QLabel *fixedLabel(QWidget *parent, const char *name, const QString &text, bool bold = false)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setFont(WindowStyle::Verdana(WindowStyle::kFontPixels, bold));
    return label;
}

// The maker's mark: an orange tile with the initial.
QPixmap logo()
{
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0xFF, 0x99, 0x33));
    p.setPen(QPen(QColor(0xD0, 0x8A, 0x2E), 2));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
    p.setPen(Qt::white);
    p.setFont(WindowStyle::Verdana(40, true));
    p.drawText(QRect(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("N"));
    return pixmap;
}

} // namespace

TFAbout::TFAbout(AppContext &context, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_context(context), m_image2(new ClickableLabel(this)), m_label4(new ClickableLabel(this)),
      m_ok(new FlatButton(QStyle::SP_DialogOkButton, this))
{
    setObjectName(QStringLiteral("TFAbout"));
    setWindowTitle(QStringLiteral("About..."));
    WindowStyle::Apply(this);

    m_image2->setObjectName(QStringLiteral("Image2"));
    m_image2->setPixmap(logo());
    m_image2->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    QLabel *label1 = fixedLabel(this, "Label1", QStringLiteral("Software Brivant "), true);
    m_label2 = fixedLabel(this, "Label2", QString(), true);
    m_label9 = fixedLabel(this, "Label9", QString());
    m_label10 = fixedLabel(this, "Label10", QString());
    m_label12 = fixedLabel(this, "Label12", QString());

    m_label4->setObjectName(QStringLiteral("Label4"));
    m_label4->setTextFormat(Qt::PlainText);
    m_label4->setText(WebServer::Display_Address());
    QFont linkFont = WindowStyle::Verdana();
    linkFont.setUnderline(true);
    m_label4->setFont(linkFont);
    QPalette blue = m_label4->palette();
    blue.setColor(QPalette::WindowText, QColor(0x00, 0x00, 0xFF));
    m_label4->setPalette(blue);

    m_ok->setObjectName(QStringLiteral("LbButton1"));
    m_ok->setText(QStringLiteral("OK"));
    m_ok->setFixedSize(80, 26);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(1);
    grid->addWidget(fixedLabel(this, "Label6", QStringLiteral("Software Code : ")), 0, 0);
    grid->addWidget(m_label9, 0, 1);
    grid->addWidget(fixedLabel(this, "Label3", QStringLiteral("Version :")), 1, 0);
    grid->addWidget(m_label10, 1, 1);
    grid->addWidget(fixedLabel(this, "Label8", QStringLiteral("Document Code :")), 2, 0);
    grid->addWidget(m_label12, 2, 1);
    grid->setColumnStretch(1, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_label4, 0, Qt::AlignBottom);
    bottom->addStretch();
    bottom->addWidget(m_ok);

    auto *text = new QVBoxLayout;
    text->setSpacing(1);
    text->addWidget(label1);
    text->addWidget(m_label2);
    text->addSpacing(4);
    text->addLayout(grid);
    text->addStretch();
    text->addLayout(bottom);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(12);
    layout->addWidget(m_image2);
    layout->addLayout(text, 1);

    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_label4, &ClickableLabel::clicked, this, &TFAbout::Label4Click);
    connect(m_image2, &ClickableLabel::clicked, this, &TFAbout::Label4Click);
    FormShow();
}

void TFAbout::FormShow()
{
    m_label2->setText(m_context.identity.Software_Description);
    m_label9->setText(m_context.identity.Software_Code);
    m_label10->setText(QString::fromLatin1(ProductIdentity::kVersion));
    m_label12->setText(QString::fromLatin1(ProductIdentity::kDocumentCode));
    setFixedSize(425, 148);
}

void TFAbout::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFAbout::Label4Click()
{
    m_context.services.urls->open(WebServer::Home_Page_Url(m_context.identity.Software_Code));
}

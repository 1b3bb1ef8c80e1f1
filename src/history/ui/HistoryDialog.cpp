#include "history/ui/HistoryDialog.h"

#include "app/ui/AppContext.h"
#include "platform/MessageService.h"
#include "texts/TextId.h"
#include "widgets/FlatButton.h"
#include "widgets/WindowStyle.h"

#include <QHeaderView>
#include <QLocale>
#include <QTreeWidget>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QString dotted(const CommParams &p, int first)
{
    return QStringLiteral("%1.%2.%3.%4").arg(p.texts[first], p.texts[first + 1], p.texts[first + 2], p.texts[first + 3]);
}

FlatButton *makeButton(const char *name, QStyle::StandardPixmap glyph, QWidget *parent)
{
    auto *button = new FlatButton(glyph, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

HistoryDialog::HistoryDialog(AppContext &context, const QString &fileName, Action compare, Action restore, QWidget *parent)
    : QDialog(parent), m_context(context), m_fileName(fileName), m_compare(std::move(compare)),
      m_restore(std::move(restore)), m_list(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("TFHistory"));
    setSizeGripEnabled(true);
    WindowStyle::Apply(this);
    setWindowTitle(m_context.text(TextId::History_Title).arg(fileName));
    m_list->setObjectName(QStringLiteral("LB_History"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels({m_context.text(TextId::History_TimeHeading), m_context.text(TextId::History_ContentsHeading),
                             m_context.text(TextId::History_SizeHeading)});
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);

    m_compareButton = makeButton("Btn_Compare", QStyle::SP_FileDialogContentsView, this);
    m_compareButton->setText(m_context.text(TextId::History_Compare));
    m_compareButton->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::History_CompareHint)));
    m_restoreButton = makeButton("Btn_Restore", QStyle::SP_BrowserReload, this);
    m_restoreButton->setText(m_context.text(TextId::History_Restore));
    m_restoreButton->setToolTip(WindowStyle::Plain_Tooltip(m_context.text(TextId::History_RestoreHint)));
    m_close = makeButton("Btn_Close", QStyle::SP_DialogCloseButton, this);
    m_close->setText(m_context.text(TextId::History_Close));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    // The buttons grow with their captions (translations run longer than the panel's 110 pixels).
    auto *buttons = new QHBoxLayout;
    for (FlatButton *b : {m_compareButton, m_restoreButton}) {
        b->setMinimumSize(110, 28);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    m_close->setMinimumSize(110, 28);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &HistoryDialog::refreshButtons);
    connect(m_list, &QTreeWidget::itemActivated, this, [this] { m_compareButton->click(); });
    connect(m_compareButton, &QPushButton::clicked, this, [this] {
        if (const HistoryVersion *v = selected())
            m_compare(*v);
    });
    connect(m_restoreButton, &QPushButton::clicked, this, [this] {
        if (const HistoryVersion *v = selected()) {
            const HistoryVersion version = *v;
            accept();
            m_restore(version);
        }
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    resize(720, 360);
}

QString HistoryDialog::Summary_Text(const AppContext &context, const HistoryVersion &v)
{
    if (!v.readable())
        return context.text(TextId::History_Unreadable).arg(v.problem);
    if (v.entry.fileName == QLatin1String("S7_Protocol.xml"))
        return context.text(TextId::History_RulesSummary)
            .arg(v.readRules)
            .arg(v.readEnabled)
            .arg(v.writeRules)
            .arg(v.writeEnabled);
    using F = CommParams;
    const CommParams &p = v.params;
    return context.text(TextId::History_ParamsSummary)
        .arg(dotted(p, F::S7_Protocol_IP1), dotted(p, F::S7_Protocol_SM1),
             p.gatewayEnabled ? dotted(p, F::S7_Protocol_GAT1) : context.text(TextId::History_GatewayOff),
             p.texts[F::PROFIBUS_ID_Device], p.texts[F::PROFINET_NB_IN], p.texts[F::PROFINET_NB_OUT]);
}

void HistoryDialog::Load_Versions()
{
    m_list->clear();
    m_versions.clear();
    QString failure;
    try {
        m_versions = Read_File_History(m_context.workspace.Project_Dir, m_fileName);
    } catch (const BrivantError &e) {
        failure = e.text();
    }
    const QLocale locale;
    for (const HistoryVersion &v : m_versions) {
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(0, locale.toString(v.entry.time.toLocalTime(), QLocale::ShortFormat)
                             + (v.entry.sequence > 1 ? QStringLiteral(" (%1)").arg(v.entry.sequence) : QString()));
        item->setToolTip(0, v.entry.name);
        item->setText(1, Summary_Text(m_context, v));
        item->setToolTip(1, item->text(1));
        item->setText(2, m_context.text(TextId::History_Bytes).arg(locale.toString(v.entry.size)));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (!v.readable())
            item->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    if (m_versions.empty()) {
        auto *item = new QTreeWidgetItem(m_list);
        item->setText(0, failure.isEmpty() ? m_context.text(TextId::History_None) : failure);
        item->setFirstColumnSpanned(true);
        item->setFlags(Qt::NoItemFlags);
    }
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(2);
    selectVersion(0);
}

void HistoryDialog::selectVersion(int row)
{
    if (row >= 0 && std::size_t(row) < m_versions.size())
        m_list->setCurrentItem(m_list->topLevelItem(row));
    refreshButtons();
}

const HistoryVersion *HistoryDialog::selected() const
{
    QTreeWidgetItem *item = m_list->currentItem();
    const int row = item ? m_list->indexOfTopLevelItem(item) : -1;
    if (row < 0 || std::size_t(row) >= m_versions.size() || !m_versions[std::size_t(row)].readable())
        return nullptr;
    return &m_versions[std::size_t(row)];
}

void HistoryDialog::refreshButtons()
{
    const bool usable = selected() != nullptr;
    m_compareButton->setEnabled(usable);
    m_restoreButton->setEnabled(usable);
}

bool Save_Keeping_History(AppContext &context, const std::function<void(KeepHistory)> &save)
{
    try {
        save(KeepHistory::Yes);
        return true;
    } catch (const HistoryError &e) {
        if (!context.services.messages->question(context.text(TextId::History_CannotKeep) + QStringLiteral("\n\n")
                                                 + e.text() + QStringLiteral("\n\n")
                                                 + context.text(TextId::History_SaveWithoutKeeping)))
            return false;
    }
    save(KeepHistory::No);
    return true;
}

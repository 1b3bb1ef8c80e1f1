#include "s7access/ui/S7ChangesLink.h"

#include "app/ui/AppContext.h"
#include "compare/ProjectDiff.h"
#include "platform/ui/ModalRunner.h"
#include "s7access/S7ListEnd.h"
#include "s7access/ui/S7RuleTableModel.h"
#include "texts/TextId.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

// What OK saves: each list's rules in use, in order. Rules after an empty row are saved once
// OK has closed the gaps (it offers that first), so they are compared as moved up.
S7RuleList toBeSaved(const S7RuleList &rules)
{
    S7RuleList saved;
    for (const ListedRule &listed : Listed_Rules(rules))
        saved.push_back(rules[std::size_t(listed.row - 1)]);
    return saved;
}

} // namespace

S7ChangesLink::S7ChangesLink(AppContext &context, S7RuleTableModel &read, S7RuleTableModel &write, QWidget *parent)
    : QToolButton(parent), m_context(context), m_read(read), m_write(write)
{
    setObjectName(QStringLiteral("Btn_Changes"));
    setAutoRaise(true);
    setFocusPolicy(Qt::NoFocus);
    for (S7RuleTableModel *model : {&m_read, &m_write}) {
        connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &, const QModelIndex &,
                                                                      const QList<int> &roles) {
            if (roles != QList<int>{Qt::BackgroundRole})
                refreshState();
        });
        // The editor resets a model only when it opens: fresh rules, then the rules of the file.
        connect(model, &QAbstractItemModel::modelReset, this, [this, model] {
            (model == &m_read ? m_diskRead : m_diskWrite) = Rules_Held(model->rules());
            refreshState();
        });
    }
    connect(this, &QToolButton::clicked, this, &S7ChangesLink::showChanges);
    parent->window()->installEventFilter(this);
    Set_Lang();
    setEnabled(false);
}

void S7ChangesLink::Set_Lang()
{
    setText(m_context.text(TextId::Changes_Caption));
    setToolTip(m_context.text(TextId::Changes_Hint));
}

bool S7ChangesLink::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && !event->spontaneous() && watched == window())
        Set_Lang();
    return QToolButton::eventFilter(watched, event);
}

void S7ChangesLink::refreshState()
{
    setEnabled(toBeSaved(m_read.rules()) != m_diskRead || toBeSaved(m_write.rules()) != m_diskWrite);
}

QString S7ChangesLink::changesText() const
{
    ProjectDiff diff;
    diff.rulesCompared = true;
    for (const S7Rule::List list : {S7Rule::List::Read, S7Rule::List::Write}) {
        const bool read = list == S7Rule::List::Read;
        const auto changes = Diff_Rules(list, read ? m_diskRead : m_diskWrite,
                                        toBeSaved(read ? m_read.rules() : m_write.rules()));
        diff.rules.insert(diff.rules.end(), changes.begin(), changes.end());
    }
    return Format_Diff_Text(diff);
}

void S7ChangesLink::showChanges()
{
    Show_Changes_View(m_context, window(), changesText(), m_context.text(TextId::Changes_None));
}

void S7ChangesLink::Show_Changes_View(AppContext &context, QWidget *parent, const QString &text, const QString &noneText)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("S7Changes"));
    dialog.setWindowTitle(context.text(TextId::Changes_Caption));
    dialog.resize(900, 420);
    auto *layout = new QVBoxLayout(&dialog);
    auto *view = new QPlainTextEdit(&dialog);
    view->setObjectName(QStringLiteral("M_Changes"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setPlainText(text.isEmpty() ? noneText : text);
    layout->addWidget(view);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    context.services.modal->run(dialog);
}
